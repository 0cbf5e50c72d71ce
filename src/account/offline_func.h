// The main page's offline band. While the screens read the log book saved
// on this computer, `offline_banner` shows when it was last saved and
// `offline_retry` signs in again with the e-mail and password of the
// sign-in dialog; once that succeeds the copy is written through again and
// `on_online` brings every screen back to the service.
#pragma once

#include <functional>
#include <string>

#include "app/func_base.h"

namespace orv {

class OfflineFunc : public func_base {
 public:
  explicit OfflineFunc(std::function<void()> on_online) : on_online_(std::move(on_online)) {}
  void attach(EngineWindow* window) override;
  void on_event(const ElementRef& element, const PageEvent& event) override;

  // Whether the event is a click that needs the service (upload and the two
  // updates) while the screens read the saved copy: it is to be answered
  // with NEEDS_SERVICE instead of trying and failing.
  static bool NeedsService(const PageEvent& event);

 private:
  void TryAgain();
  std::function<void()> on_online_;
};

// "YYYY-MM-DD HH:MM" in local time; empty for 0.
std::string SavedTimeText(int64_t seconds);

}  // namespace orv
