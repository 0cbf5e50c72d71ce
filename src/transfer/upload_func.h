// UploadFunc: the main page's "upload" button. Finds, opens and identifies the
// dive computer on the UI thread, connects to the service, then runs the
// upload relay (upload_relay.h) on a worker behind the progress dialog. When
// the dialog has closed it clicks "synclog" in framepage1 so the calendar
// reloads its month and the statistics follow.
#pragma once

#include <functional>
#include <string>

#include "app/func_base.h"
#include "device/usb.h"
#include "transfer/upload_relay.h"

namespace orv {

class UploadFunc : public func_base {
 public:
  // How the calendar learns that new dives arrived. The default delivers a
  // click on framepage1's "synclog" through the window's own event path (the
  // handler list), which works on every engine; the desktop program may
  // install one that queues it on the main loop instead.
  using SyncLogPoster = std::function<void(EngineWindow*)>;

  explicit UploadFunc(device::Deadlines deadlines = {}, SyncLogPoster poster = {});

  void on_event(const ElementRef& element, const PageEvent& event) override;

  // The whole operation; returns the first message key shown ("" when the
  // upload completed). Exposed for orvelle-cli and tests.
  std::string Upload();

  // How long the completion text stays up (2000 ms in the program).
  void set_complete_pause_ms(int ms) { complete_pause_ms_ = ms; }
  const UploadOutcome& last_outcome() const { return outcome_; }

  // The default poster described above.
  static void ClickSyncLog(EngineWindow* window);

 private:
  // After a complete run: how many dives were added, and the calendar
  // turned to the month of the newest of them.
  void TellOutcome();

  device::Deadlines deadlines_;
  SyncLogPoster poster_;
  int complete_pause_ms_ = 2000;
  UploadOutcome outcome_;
};

}  // namespace orv
