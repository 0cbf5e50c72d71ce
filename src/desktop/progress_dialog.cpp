#include "desktop/progress_dialog.h"

#include <chrono>
#include <thread>
#include <utility>

#include "app/cancellable.h"
#include "desktop/generic_dialogs.h"
#include "desktop/idle_task.h"
#include "desktop/ui_wait.h"

namespace orv::gtk {

void ProgressDlg::Fill() {
  {
    std::lock_guard lock(mutex_);
    ready_ = true;
    ready_cv_.notify_all();
  }
  filled_ = true;
  auto early = std::move(early_);
  for (auto& task : early) task();
}

void ProgressDlg::WaitReady() {
  std::unique_lock lock(mutex_);
  ready_cv_.wait_for(lock, std::chrono::milliseconds(1000), [this] { return ready_; });
}

void ProgressDlg::Post(std::function<void()> task) {
  // The worker stops waiting for the page after a second; on a slow machine
  // its first updates can come while the page is still loading.
  RunWhenIdle(
      [this, task = std::move(task)] {
        if (filled_)
          task();
        else
          early_.push_back(task);
      },
      G_PRIORITY_DEFAULT);
}

void ProgressDlg::SetMessageText(const std::string& text) {
  Post([this, text] { window().FindById("MsgText1").SetText(text); });
}

void ProgressDlg::SetDetailText(const std::string& text) {
  Post([this, text] { window().FindById("MsgText2").SetText(text); });
}

void ProgressDlg::SetProgress(int value) {
  Post([this, value] { window().FindById("progress").SetValue(std::to_string(value)); });
}

void ProgressDlg::ShowMessage(const std::string& text) { Dialogs().ShowMessage(text, ""); }

void ProgressDlg::End() {
  Post([this] { EndDialog(0); });
}

namespace {
bool running = false;
}

bool OperationRunning() { return running; }

void RunProgressDialog(ProgressDlg& dlg, const std::function<void(ProgressSink&)>& work) {
  running = true;
  std::thread worker([&] {
    work(dlg);
    dlg.End();  // a worker that forgot to end its dialog must not hang the program
  });
  RunPageDialog(dlg);
  worker.join();
  // Updates the worker queued after its end still refer to the dialog.
  UiWait::Get().Drain();
  running = false;
}

void InstallProgressRunner(std::function<void()> after_stop) {
  SetProgressRunner([after_stop = std::move(after_stop)](const std::function<void(ProgressSink&)>& work) {
    ProgressDlg dlg;
    RunProgressDialog(dlg, work);
    if (after_stop && ProgramStop().IsCancelled()) after_stop();
  });
}

}  // namespace orv::gtk
