// The desktop program's windows of the logbook export: the month dialog
// (export.htm), the native save dialog with UDDF and CSV filters, and the
// progress dialog with the export's own page (export_progress.htm).
#pragma once

#include "desktop/page_dialog.h"
#include "desktop/progress_dialog.h"
#include "export/export_func.h"

namespace orv::gtk {

class ExportDlg : public DialogPage {
 public:
  explicit ExportDlg(MonthRange& range) : func_(range, [this](bool ok) { EndDialog(ok ? 1 : 0); }) {}
  int LogicalWidth() const override { return 380; }
  int LogicalHeight() const override { return 270; }
  int CaptionBand() const override { return 30; }
  std::string PageName() const override { return "export.htm"; }
  void Fill() override { func_.attach(&window()); }
  void OnEvent(const ElementRef& element, const PageEvent& event) override { func_.on_event(element, event); }

 private:
  ExportRangeFunc func_;
};

// Unlike a device write, an export can stop anywhere: its page has a Cancel.
class ExportProgressDlg : public ProgressDlg {
 public:
  std::string PageName() const override { return "export_progress.htm"; }
  void OnEvent(const ElementRef& element, const PageEvent& event) override;
  Cancellable* CancelButton() override { return &cancel_; }

 private:
  // The end of the program reaches the export through its parent.
  Cancellable cancel_{&ProgramStop()};
};

class ExportUiGtk : public ExportUi {
 public:
  bool AskRange(MonthRange& range) override;
  std::optional<std::string> ChooseFile() override;
  void RunWithProgress(const std::function<void(ProgressSink&)>& work) override;
};

}  // namespace orv::gtk
