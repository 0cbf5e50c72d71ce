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

Result<DiveLog> FetchDiveLog(HttpPost& http, std::string_view divelog_id, EngineWindow* main_window) {
  WaitPurpose purpose(KeyOf(Msg::BusyDive));
  SourceReply reply = AskSource(DiveLogEndpoint(divelog_id), RequestOn(http), {CallKind::DiveLogDetail});
  if (reply.step == SourceStep::NotConnected) {
    ShowMessage(Tr(reply.key()));
    return std::move(reply.failure);
  }
  if (!reply.ok()) {
    ShowInMessage(main_window, reply.key());
    return std::move(reply.failure);
  }
  // The screen's last failure is over once a request of it succeeds.
  if (main_window) FindById(main_window, "message").SetText("");
  // Moved out of the reply, not copied: a long profile is a large tree.
  Json::Value log;
  log.swap(reply.value["divelog"]);
  return log;
}

Failure StoreDiveLog(HttpPost& http, const DiveLog& log, EngineWindow* main_window) {
  Failure failure;
  WaitPurpose purpose(KeyOf(Msg::BusySaving));
  const std::string id = LogText(log, "divelog_id");
  if (ReadingSavedCopy()) {
    // Saving an edit needs the service; the copy is never written ahead of it.
    failure = Msg::NeedsService;
  } else if (!http.connected()) {
    failure = Msg::HostNotConn;
  } else if (id.empty()) {
    // "api/v1/divelogs/" with no id would address the whole logbook.
    failure = Msg::DataError;
  } else {
    failure = ReplyCheck(Send(http, PatchDiveLogEndpoint(id, DiveLogJsonText(log))), CallKind::Standard).failure();
  }
  if (!failure) SaveStoredDive(log);
  if (failure)
    ShowInMessage(main_window, failure.key());
  else if (main_window)
    FindById(main_window, "message").SetText("");
  return failure;
}

}  // namespace orv
