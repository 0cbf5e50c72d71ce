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
#include "logbook/data_source.h"
#include "logbook/write_through.h"

namespace orv {

namespace {

// Cancelled by the diver: no failure to tell of.
void ShowInMessage(EngineWindow* window, const std::string& key) {
  if (window && !WaitOperation().IsCancelled()) FindById(window, "message").SetText(Tr(key));
}

}  // namespace

std::optional<DiveLog> FetchDiveLog(HttpPost& http, std::string_view divelog_id, EngineWindow* main_window,
                                    std::string* failure_key) {
  std::string ignored;
  std::string& key = failure_key ? *failure_key : ignored;
  WaitPurpose purpose(KeyOf(Msg::BusyDive));
  SourceReply reply = AskSource(DiveLogEndpoint(divelog_id), RequestOn(http), {CallKind::DiveLogDetail});
  key = reply.key();
  if (reply.step == SourceStep::NotConnected) {
    ShowMessage(Tr(key));
    return std::nullopt;
  }
  if (!reply.ok()) {
    ShowInMessage(main_window, key);
    return std::nullopt;
  }
  // The screen's last failure is over once a request of it succeeds.
  if (main_window) FindById(main_window, "message").SetText("");
  // Moved out of the reply, not copied: a long profile is a large tree.
  Json::Value log;
  log.swap(reply.value["divelog"]);
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
