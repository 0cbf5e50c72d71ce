// The settings dialog: setting.htm with SettingFunc.
#pragma once

#include "app/setting_func.h"
#include "desktop/page_dialog.h"

namespace orv::gtk {

class SettingDlg : public DialogPage {
 public:
  SettingDlg() : func_([this](SettingsResult r) { EndDialog(r); }) {}
  int LogicalWidth() const override { return 340; }
  int LogicalHeight() const override { return 210; }
  int CaptionBand() const override { return 30; }
  std::string PageName() const override { return "setting.htm"; }
  void Fill() override { func_.attach(&window()); }
  void OnEvent(const ElementRef& element, const PageEvent& event) override { func_.on_event(element, event); }

 private:
  SettingFunc func_;
};

}  // namespace orv::gtk
