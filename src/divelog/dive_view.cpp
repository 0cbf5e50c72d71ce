#include "divelog/dive_view.h"

#include "app/dialogs.h"
#include "app/engine.h"
#include "app/message_keys.h"
#include "app/string_table.h"
#include "app/wait_purpose.h"
#include "cloud/endpoints.h"
#include "divelog/dive_map_draw.h"
#include "logbook/source_record.h"

namespace orv {

namespace {

// The record on success, told as FetchDiveLog tells a failure otherwise.
SourceRecord Fetch(HttpPost& http, std::string_view divelog_id, const ElementRef& message) {
  WaitPurpose purpose(KeyOf(Msg::BusyDive));
  SourceRecord reply = AskRecord(DiveLogEndpoint(divelog_id), RequestOn(http), {CallKind::DiveLogDetail});
  if (reply.step == SourceStep::NotConnected) {
    ShowMessage(Tr(reply.key()));
  } else if (!reply.ok()) {
    // Cancelled by the diver: no failure to tell of.
    if (!WaitOperation().IsCancelled()) message.SetText(Tr(reply.key()));
  } else {
    // The screen's last failure is over once a request of it succeeds.
    message.SetText("");
  }
  return reply;
}

}  // namespace

bool ViewDiveLog(HttpPost& http, std::string_view divelog_id, const ElementRef& message, const MapHost& detail) {
  const SourceRecord reply = Fetch(http, divelog_id, message);
  if (!reply.ok()) return false;
  if (reply.parsed)
    ShowDetail(detail, *reply.parsed);
  else
    ShowDetail(detail, reply.record);
  return true;
}

}  // namespace orv
