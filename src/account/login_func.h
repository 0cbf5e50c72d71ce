// The sign-in page's handler: pre-fills the remembered e-mail and password,
// signs in on "login", ends the dialog on "exit"; when the service is out of
// reach, offers the log book saved on this computer ("open_saved").
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/func_base.h"

namespace orv {

class CredentialStore;

class LoginFunc : public func_base {
 public:
  // `close` ends the sign-in dialog with its result (1 signed in, 0 exit).
  // `store` keeps the password; null means passwords are not remembered.
  LoginFunc(std::function<void(int)> close, CredentialStore* store);

  // Fills the fields with these instead of the remembered sign-in (an
  // explicit --email / --password of the program).
  void SetPrefill(std::string email, std::string password);

  void attach(EngineWindow* window) override;
  void on_event(const ElementRef& element, const PageEvent& event) override;

  // Social sign-in starts here once it exists; until then the button does
  // nothing visible.
  std::function<void()> on_social_sign_in;

 private:
  void Login();
  // Offline: the log book saved on this computer for the typed e-mail.
  void OpenSaved();
  void Close(int result);

  std::function<void(int)> close_;
  std::string prefill_email_, prefill_password_;
  CredentialStore* store_;
};

}  // namespace orv
