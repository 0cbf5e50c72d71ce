// The progress dialog that a long device operation runs behind: the worker
// sets its texts and value and ends it from its own thread.
#pragma once

#include <condition_variable>
#include <mutex>

#include "app/dialogs.h"
#include "app/gtk/page_dialog.h"

namespace orv::gtk {

class ProgressDlg : public DialogPage, public ProgressSink {
 public:
  int LogicalWidth() const override { return 420; }
  int LogicalHeight() const override { return 200; }
  std::string PageName() const override { return "progress.htm"; }
  void Fill() override;
  void OnEvent(const ElementRef&, const PageEvent&) override {}

  // Worker side; every call is handed to the UI thread in order.
  void WaitReady() override;
  void SetMessageText(const std::string& text) override;
  void SetDetailText(const std::string& text) override;
  void SetProgress(int value) override;
  void ShowMessage(const std::string& text) override;
  void End() override;

 private:
  void Post(std::function<void()> task);
  std::mutex mutex_;
  std::condition_variable ready_cv_;
  bool ready_ = false;
};

// Runs `work` on a worker thread behind `dlg` (a ProgressDlg or one with
// its own page) and returns once both have ended.
void RunProgressDialog(ProgressDlg& dlg, const std::function<void(ProgressSink&)>& work);

// Installs the runner that puts every RunWithProgress behind this dialog.
void InstallProgressRunner();

}  // namespace orv::gtk
