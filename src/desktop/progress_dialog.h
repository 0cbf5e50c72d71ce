// The progress dialog that a long device operation runs behind: the worker
// sets its texts and value and ends it from its own thread.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "app/dialogs.h"
#include "desktop/page_dialog.h"

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
  bool StaysOpenOnStop() const override { return true; }

 private:
  void Post(std::function<void()> task);
  std::mutex mutex_;
  // UI thread only: updates that arrive before the page is filled wait here,
  // since writes into a page that is still loading would be lost.
  bool filled_ = false;
  std::vector<std::function<void()>> early_;
  std::condition_variable ready_cv_;
  bool ready_ = false;
};

// Runs `work` on a worker thread behind `dlg` (a ProgressDlg or one with
// its own page) and returns once both have ended.
void RunProgressDialog(ProgressDlg& dlg, const std::function<void(ProgressSink&)>& work);

// Installs the runner that puts every RunWithProgress behind this dialog.
// `after_stop` runs on the UI thread once an operation that was asked to
// stop (ProgramStop) has ended, its end command sent.
void InstallProgressRunner(std::function<void()> after_stop = {});
// True while an operation runs behind the dialog.
bool OperationRunning();

}  // namespace orv::gtk
