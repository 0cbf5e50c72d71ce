#include "transfer/update_func.h"

#include <fstream>
#include <iterator>

#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/message_keys.h"
#include "app/wait_purpose.h"
#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "device/device_identity.h"
#include "device/device_session.h"
#include "transfer/update_worker.h"

namespace orv {

namespace {

MessageKey Tell(const std::string& key) {
  ShowMessage(Tr(key));
  return key;
}

}  // namespace

std::string FetchUpdateInfo(const std::string& url, const std::string& file_name) {
  const std::string folder = DataFolder();
  if (folder.empty()) return {};
  const std::string path = folder + file_name;
  DownloadLimits limits;
  limits.max_bytes = transfer::kMaxUpdateInfoBytes;
  if (!DownloadToFile(url, path, limits).complete()) return {};
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

UpdateFunc::UpdateFunc(device::Deadlines deadlines) : deadlines_(deadlines) {}

void UpdateFunc::on_event(const ElementRef&, const PageEvent& event) {
  const std::string id = ClickedId(event);
  if (id == "update_fw")
    UpdateFirmware();
  else if (id == "update_ds")
    UpdateDiveSites();
}

MessageKey UpdateFunc::UpdateFirmware() {
  WaitPurpose purpose(KeyOf(Msg::BusyUpdates));
  firmware_info_ = FetchUpdateInfo(FirmwareUpdateInfoUrl(), transfer::kFirmwareUpdate.info_file);
  offered_version_.clear();
  release_note_.clear();
  // Too short, not JSON, without a version or without a usable file list:
  // nothing the diver could sensibly be asked to install.
  auto info = transfer::ParseFirmwareInfo(firmware_info_);
  if (!info) return Tell(KeyOf(Msg::NoUpdateInfo));
  offered_version_ = info->offered_version;
  release_note_ = info->release_note;
  return RunOnDevice(transfer::kFirmwareUpdate, info->files, true);
}

MessageKey UpdateFunc::UpdateDiveSites() {
  WaitPurpose purpose(KeyOf(Msg::BusyUpdates));
  divesite_info_ = FetchUpdateInfo(DiveSiteUpdateInfoUrl(), transfer::kDiveSiteUpdate.info_file);
  if (divesite_info_.empty()) return Tell(KeyOf(Msg::NoUpdateInfo));
  // An error page or a reply without the list is no offer; running it would
  // report UPDATE_COMPLETE with nothing written.
  auto files = transfer::ParseUpdateFiles(divesite_info_, transfer::kDiveSiteUpdate.list_member);
  if (!files) return Tell(KeyOf(Msg::NoUpdateInfo));
  return RunOnDevice(transfer::kDiveSiteUpdate, *files, false);
}

MessageKey UpdateFunc::RunOnDevice(const transfer::UpdateKind& kind, const std::vector<transfer::UpdateFile>& files,
                                   bool firmware) {
  // The session closes the port on every way out, after the worker.
  device::DeviceSession session(deadlines_);
  if (!session.Open()) return Tell(KeyOf(session.open_failure()));
  AppState& state = State();
  if (!device::IdentifyDevice(session.usb(), state)) return Tell(KeyOf(Msg::NotSupporDevice));

  const std::string question =
      firmware ? transfer::FormatTwoTexts(Tr(KeyOf(Msg::FirmwareInfo)), state.firmware_version, offered_version_)
               : Tr(KeyOf(Msg::SureUpdateDs));
  if (!AskYesNo(question)) {
    session.usb().SendEnd();
    return {};
  }

  transfer::UpdateJob job;
  job.kind = kind;
  job.files = files;
  job.folder = DataFolder();
  job.ending_pause = ending_pause_;
  device::Usb& usb = session.usb();
  MessageKey result;
  // Until RunWithProgress returns only the worker touches the Usb.
  RunWithProgress([&](ProgressSink& sink) { result = transfer::RunUpdateWorker(job, usb, sink); });
  // The progress dialog's last status went by in two seconds; the diver
  // who stepped away still learns that it finished, and with what.
  if (result == KeyOf(Msg::UpdateComplete)) {
    if (firmware)
      ShowMessage(transfer::FormatTwoTexts(Tr(KeyOf(Msg::FirmwareUpdated)), offered_version_, ""));
    else
      ShowMessage(Tr(KeyOf(Msg::DsUpdated)));
  }
  return result;
}

}  // namespace orv
