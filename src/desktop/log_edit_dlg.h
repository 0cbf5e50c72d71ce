// The log edit dialog: log_edit.htm with LogEditFunc, 720 by 320, and its
// own map, which gets the dive's markers once the map page reports it loaded.
#pragma once

#include "app/program_messages.h"
#include "desktop/page_dialog.h"
#include "divelog/log_edit_func.h"

namespace orv::gtk {

class LogEditDlg : public DialogPage {
 public:
  explicit LogEditDlg(LogEditRecord& record) : func_(record, [this](int r) { EndDialog(r); }) {
    OnProgramMessage(kMsgMapLoaded, [this](const ProgramMessage&) { func_.OnMapLoaded(); });
  }
  ~LogEditDlg() override { OnProgramMessage(kMsgMapLoaded, nullptr); }
  int LogicalWidth() const override { return 720; }
  int LogicalHeight() const override { return 320; }
  int CaptionBand() const override { return 30; }
  std::string PageName() const override { return "log_edit.htm"; }
  void Fill() override { func_.attach(&window()); }
  void OnEvent(const ElementRef& element, const PageEvent& event) override { func_.on_event(element, event); }
  LogEditFunc& func() { return func_; }

 private:
  LogEditFunc func_;
};

// The edit operation's dialog runner for DiveMapFunc.
inline int RunLogEditDialog(LogEditRecord& record) {
  LogEditDlg dlg(record);
  return RunPageDialog(dlg);
}

}  // namespace orv::gtk
