#include "account/offline_func.h"

#include <ctime>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/string_table.h"
#include "logbook/write_through.h"

namespace orv {

std::string SavedTimeText(int64_t seconds) {
  if (seconds <= 0) return {};
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&t, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
  return text;
}

bool OfflineFunc::NeedsService(const PageEvent& event) {
  if (!ReadingSavedCopy()) return false;
  const std::string id = ClickedId(event);
  return id == "upload" || id == "update_fw" || id == "update_ds";
}

void OfflineFunc::attach(EngineWindow* window) {
  func_base::attach(window);
  std::shared_ptr<SavedCopy> copy = ActiveSavedCopy();
  if (!ReadingSavedCopy() || !copy) {
    Find("offline_banner").Hide();
    return;
  }
  Find("offline_date").SetText(SavedTimeText(copy->LastSaved()));
  Find("offline_banner").Show();
}

void OfflineFunc::on_event(const ElementRef&, const PageEvent& event) {
  if (ClickedId(event) == "offline_retry" && ReadingSavedCopy()) TryAgain();
}

void OfflineFunc::TryAgain() {
  const AppState& state = State();
  const std::string email = state.email, password = state.password;
  if (Failure failure = SignInAndOpenCopy(email, password)) {
    Find("message").SetText(Tr(failure.key()));
    return;
  }
  Find("message").SetText("");
  if (on_online_) on_online_();
}

}  // namespace orv
