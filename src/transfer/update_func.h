// UpdateFunc: the main page's "update_fw" (firmware) and the dive-site tab's
// "update_ds" (built-in dive-site database) buttons. Each fetches its update
// information from the service, finds, opens and identifies the dive
// computer, asks the diver, then runs the update worker (update_worker.h)
// behind the progress dialog. The port is closed only after the worker has
// finished.
#pragma once

#include <chrono>
#include <string>

#include "app/func_base.h"
#include "app/string_table.h"
#include "device/usb.h"
#include "transfer/update_info.h"

namespace orv {

class UpdateFunc : public func_base {
 public:
  explicit UpdateFunc(device::Deadlines deadlines = {});

  void on_event(const ElementRef& element, const PageEvent& event) override;

  // The two operations; each returns the key of the last message or status
  // shown (UPDATE_COMPLETE on success) and "" when the diver declined.
  // Exposed for orvelle-cli and the tests.
  MessageKey UpdateFirmware();
  MessageKey UpdateDiveSites();

  // How long the last status stays up before the dialog closes (2000 ms).
  void set_ending_pause(std::chrono::milliseconds pause) { ending_pause_ = pause; }

  // What the last run loaded (for orvelle-cli and tests).
  const std::string& firmware_info_text() const { return firmware_info_; }
  const std::string& divesite_info_text() const { return divesite_info_; }
  const std::string& offered_version() const { return offered_version_; }
  const std::string& release_note() const { return release_note_; }

 private:
  // Port, identify, the diver's yes, then the worker; shared by both updates.
  MessageKey RunOnDevice(const transfer::UpdateKind& kind, const std::vector<transfer::UpdateFile>& files,
                         bool firmware);

  device::Deadlines deadlines_;
  std::chrono::milliseconds ending_pause_{2000};
  std::string firmware_info_;
  std::string divesite_info_;
  std::string offered_version_;
  std::string release_note_;
};

// Downloads `url` into `file_name` in the data folder and returns the text
// now held there. Empty when the download failed: a copy left by an earlier
// run is never taken for the service's current offer.
std::string FetchUpdateInfo(const std::string& url, const std::string& file_name);

}  // namespace orv
