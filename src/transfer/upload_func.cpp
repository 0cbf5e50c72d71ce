#include "transfer/upload_func.h"

#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/message_keys.h"
#include "app/program_messages.h"
#include "app/string_table.h"
#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "cloud/json_read.h"
#include "device/device_identity.h"
#include "device/device_session.h"
#include "divelog/dive_log.h"
#include "divelog/dive_values.h"
#include "logbook/dive_log_read.h"

namespace orv {

UploadFunc::UploadFunc(device::Deadlines deadlines, AfterUpload after_upload)
    : deadlines_(deadlines), after_upload_(std::move(after_upload)) {}

void UploadFunc::on_event(const ElementRef&, const PageEvent& event) {
  if (ClickedId(event) == "upload") Upload();
}

Failure UploadFunc::Upload() {
  outcome_ = {};
  // The session closes the port (and releases the serial port object) on
  // every path out of here, after the worker has finished.
  device::DeviceSession session(deadlines_);
  if (!session.Open()) {
    ShowMessage(Tr(KeyOf(session.open_failure())));
    return session.open_failure();
  }
  AppState& state = State();
  if (!device::IdentifyDevice(session.usb(), state)) {
    // A device that does not answer the identify gets no further command.
    ShowMessage(Tr(KeyOf(Msg::NotSupporDevice)));
    return Msg::NotSupporDevice;
  }
  HttpPost http;
  if (!http.Connect()) {
    session.usb().SendEnd();
    ShowMessage(Tr(KeyOf(Msg::HostNotConn)));
    return Msg::HostNotConn;
  }

  UploadLink link;
  link.model = state.model;
  link.firmware_version = FirmwareVersionNumber(state.firmware_version);
  device::Usb& usb = session.usb();
  link.read_block = [&usb](uint32_t addr, uint8_t* dest, uint32_t size) { return usb.ReadBlock(addr, dest, size); };
  link.send = [&http](const Endpoint& endpoint) { return Send(http, endpoint).body; };

  // From here until RunWithProgress returns only the worker touches the Usb
  // and the HttpPost.
  RunWithProgress([&](ProgressSink& sink) {
    {
      device::EndGuard end(usb);
      UploadRelay relay(link, sink);
      outcome_ = relay.Run(complete_pause_ms_);
    }
    sink.End();
  });
  if (outcome_.complete)
    TellOutcome();
  else if (after_upload_)
    after_upload_();
  return outcome_.first_failure;
}

void UploadFunc::TellOutcome() {
  if (outcome_.dives_added == 0) {
    ShowMessage(Tr(KeyOf(Msg::UploadNothingNew)));
    if (after_upload_) after_upload_();
    return;
  }
  std::string text = Tr(KeyOf(Msg::UploadAdded));
  if (const size_t at = text.find("%d"); at != std::string::npos)
    text.replace(at, 2, std::to_string(outcome_.dives_added));
  ShowMessage(text);
  // The device hands its dives over oldest first, so the last one the
  // service accepted is the newest; its record says when it was.
  HttpPost http;
  std::optional<DiveLog> newest;
  if (!outcome_.last_dive_id.empty()) {
    if (Result<DiveLog> log = FetchDiveLog(http, outcome_.last_dive_id, nullptr)) newest = std::move(*log);
  }
  if (!newest) {
    if (after_upload_) after_upload_();
    return;
  }
  const CivilTime start =
      BreakDownUtc(LocalStartSeconds(JsonMember(*newest, "dive_datetime").asInt64(), LogInt(*newest, "timezone")));
  PostProgramMessage(ProgramMessage{kMsgShowMonth, start.year * 100 + start.month});
}

}  // namespace orv
