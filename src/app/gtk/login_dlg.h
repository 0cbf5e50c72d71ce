// The sign-in dialog: login.htm with LoginFunc.
#pragma once

#include "account/login_func.h"
#include "app/gtk/page_dialog.h"

namespace orv::gtk {

class LoginDlg : public DialogPage {
 public:
  explicit LoginDlg(CredentialStore* store) : func_([this](int r) { EndDialog(r); }, store) {}
  int LogicalWidth() const override { return 420; }
  int LogicalHeight() const override { return 260; }
  int CaptionBand() const override { return 30; }
  std::string PageName() const override { return "login.htm"; }
  void Fill() override { func_.attach(&window()); }
  void OnEvent(const ElementRef& element, const PageEvent& event) override { func_.on_event(element, event); }
  LoginFunc& func() { return func_; }

 private:
  LoginFunc func_;
};

}  // namespace orv::gtk
