#include "account/login_func.h"

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/message_keys.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "app/wait_purpose.h"
#include "logbook/copy_place.h"
#include "logbook/write_through.h"

namespace orv {

LoginFunc::LoginFunc(std::function<void(int)> close, CredentialStore* store)
    : close_(std::move(close)), store_(store) {}

void LoginFunc::SetPrefill(std::string email, std::string password) {
  prefill_email_ = std::move(email);
  prefill_password_ = std::move(password);
}

void LoginFunc::attach(EngineWindow* window) {
  func_base::attach(window);
  if (!prefill_email_.empty()) {
    State().email = prefill_email_;
    State().password = prefill_password_;
  } else {
    State().email = RememberedEmail();
    State().password = RememberedPassword(store_, State().email);
  }
  Find("email").SetValue(State().email);
  Find("pword").SetValue(State().password);
}

void LoginFunc::on_event(const ElementRef&, const PageEvent& event) {
  const std::string id = ClickedId(event);
  if (id == "login") {
    Login();
  } else if (id == "exit") {
    Close(0);
  } else if (id == "open_saved") {
    OpenSaved();
  } else if (id == "facebook") {
    if (on_social_sign_in) on_social_sign_in();
  }
}

void LoginFunc::Login() {
  const std::string email = Find("email").Value();
  const std::string password = Find("pword").Value();
  WaitPurpose purpose(KeyOf(Msg::BusySigningIn));
  const Failure failure = SignInWithEmail(email, password);
  if (failure) {
    // Cancelled by the diver: the card stays as it was.
    if (!WaitOperation().IsCancelled()) Find("message").SetText(Tr(failure.key()));
    // Out of reach, the log book saved on this computer is still there.
    const bool offline = failure.unreachable() && SavedCopyExists(email);
    if (offline)
      Find("open_saved").Show();
    else
      Find("open_saved").Hide();
    return;
  }
  Find("message").SetText("");
  RememberSignIn(store_, email, password);
  Close(1);
}

void LoginFunc::OpenSaved() {
  SavedAccount account;
  if (Failure failure = OpenSavedCopyOffline(Find("email").Value(), account)) {
    Find("message").SetText(Tr(failure.key()));
    return;
  }
  AppState& state = State();
  state.email = account.email;
  state.user_id = account.user_id;
  state.display_name = account.user_name;
  // Kept for "Try again", which signs in with what was typed here.
  state.password = Find("pword").Value();
  state.token.clear();
  Close(1);
}

void LoginFunc::Close(int result) {
  if (close_) close_(result);
}

}  // namespace orv
