// Fetching and storing one dive: the two requests of the view and edit
// operations, on the one connection those operations hold.
#include "app/dialogs.h"
#include "app/engine.h"
#include "app/message_keys.h"
#include "app/string_table.h"
#include "app/wait_purpose.h"
#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "cloud/json_read.h"
#include "cloud/reply_check.h"
#include "divelog/dive_log.h"
#include "logbook/write_through.h"

namespace orv {

namespace {

// Cancelled by the diver: no failure to tell of.
void ShowInMessage(EngineWindow* window, const std::string& key) {
  if (window && !WaitCancelled()) FindById(window, "message").SetText(Tr(key));
}

}  // namespace

std::optional<DiveLog> FetchDiveLog(HttpPost& http, std::string_view divelog_id, EngineWindow* main_window,
                                    std::string* failure_key) {
  std::string ignored;
  std::string& key = failure_key ? *failure_key : ignored;
  key.clear();
  WaitPurpose purpose(KeyOf(Msg::BusyDive));
  const Endpoint endpoint = DiveLogEndpoint(divelog_id);
  std::string body;
  if (ReadingSavedCopy()) {
    Result<std::string> saved = SavedReply(endpoint);
    if (!saved) {
      key = saved.failure().key();
      ShowInMessage(main_window, key);
      return std::nullopt;
    }
    body = std::move(*saved);
  } else if (!http.Connect()) {
    key = ConnectFailure(CallKind::DiveLogDetail).key();
    ShowMessage(Tr(key));
    return std::nullopt;
  } else {
    DiverRequestScope diver;
    body = Send(http, endpoint).body;
  }
  Reply reply = ReplyCheck(body, CallKind::DiveLogDetail);
  if (reply.ok() && !JsonMember(*reply, "divelog").isObject()) reply = Msg::DataError;
  if (!reply.ok()) {
    key = reply.failure().key();
    ShowInMessage(main_window, key);
    return std::nullopt;
  }
  // The screen's last failure is over once a request of it succeeds.
  if (main_window) FindById(main_window, "message").SetText("");
  SaveReply(endpoint, *reply);
  // Moved out of the reply, not copied: a long profile is a large tree.
  Json::Value log;
  log.swap((*reply)["divelog"]);
  return log;
}

std::string StoreDiveLog(HttpPost& http, const DiveLog& log, EngineWindow* main_window) {
  std::string key;
  WaitPurpose purpose(KeyOf(Msg::BusySaving));
  const std::string id = LogText(log, "divelog_id");
  if (ReadingSavedCopy()) {
    // Saving an edit needs the service; the copy is never written ahead of it.
    key = KeyOf(Msg::NeedsService);
  } else if (!http.connected()) {
    key = KeyOf(Msg::HostNotConn);
  } else if (id.empty()) {
    // "api/v1/divelogs/" with no id would address the whole logbook.
    key = KeyOf(Msg::DataError);
  } else {
    key = ReplyCheck(Send(http, PatchDiveLogEndpoint(id, DiveLogJsonText(log))), CallKind::Standard).key();
  }
  if (key.empty()) SaveStoredDive(log);
  if (!key.empty())
    ShowInMessage(main_window, key);
  else if (main_window)
    FindById(main_window, "message").SetText("");
  return key;
}

}  // namespace orv
