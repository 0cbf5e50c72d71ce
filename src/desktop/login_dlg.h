// The sign-in dialog: login.htm with LoginFunc, and the social sign-in popup
// behind its "facebook" button.
#pragma once

#include "account/login_func.h"
#include "desktop/page_dialog.h"
#include "desktop/social_browser.h"

namespace orv::gtk {

class LoginDlg : public DialogPage {
 public:
  explicit LoginDlg(CredentialStore* store)
      : func_([this](int r) { End(r); }, store),
        social_(
            window(), [this] { return gtk_window(); }, [this](int r) { End(r); }) {
    func_.on_social_sign_in = [this] { social_.Start(); };
  }
  int LogicalWidth() const override { return 420; }
  int LogicalHeight() const override { return 260; }
  int CaptionBand() const override { return 30; }
  std::string PageName() const override { return "login.htm"; }
  void Fill() override { func_.attach(&window()); }
  void OnEvent(const ElementRef& element, const PageEvent& event) override { func_.on_event(element, event); }
  LoginFunc& func() { return func_; }
  SocialSignInHost& social() { return social_; }

 private:
  // Whatever ends the dialog closes the social popup first.
  void End(int result) {
    social_.Discard();
    EndDialog(result);
  }

  LoginFunc func_;
  SocialSignInHost social_;
};

}  // namespace orv::gtk
