// UploadFunc: the main page's "upload" button. Finds, opens and identifies the
// dive computer on the UI thread, connects to the service, then runs the
// upload relay (upload_relay.h) on a worker behind the progress dialog. When
// the dialog has closed it runs its after-upload hook, through which whoever
// put the handlers together has the calendar reload its month and the
// statistics follow (CalendarFunc::Reload).
#pragma once

#include <functional>
#include <string>

#include "app/func_base.h"
#include "device/usb.h"
#include "transfer/upload_relay.h"

namespace orv {

class UploadFunc : public func_base {
 public:
  // Run once the progress dialog has closed, whatever the outcome; empty: nothing.
  using AfterUpload = std::function<void()>;

  explicit UploadFunc(device::Deadlines deadlines = {}, AfterUpload after_upload = {});

  void on_event(const ElementRef& element, const PageEvent& event) override;

  // The whole operation; returns the first failure shown (none when the
  // upload completed). Exposed for orvelle-cli and tests.
  Failure Upload();

  // How long the completion text stays up (2000 ms in the program).
  void set_complete_pause_ms(int ms) { complete_pause_ms_ = ms; }
  const UploadOutcome& last_outcome() const { return outcome_; }

 private:
  // After a complete run: how many dives were added, and the calendar
  // turned to the month of the newest of them.
  void TellOutcome();

  device::Deadlines deadlines_;
  AfterUpload after_upload_;
  int complete_pause_ms_ = 2000;
  UploadOutcome outcome_;
};

}  // namespace orv
