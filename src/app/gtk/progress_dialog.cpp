#include "app/gtk/progress_dialog.h"

#include <chrono>
#include <thread>

#include "app/gtk/generic_dialogs.h"

namespace orv::gtk {

void ProgressDlg::Fill() {
  std::lock_guard lock(mutex_);
  ready_ = true;
  ready_cv_.notify_all();
}

void ProgressDlg::WaitReady() {
  std::unique_lock lock(mutex_);
  ready_cv_.wait_for(lock, std::chrono::milliseconds(1000), [this] { return ready_; });
}

void ProgressDlg::Post(std::function<void()> task) {
  auto* heap = new std::function<void()>(std::move(task));
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer data) -> gboolean {
        (*static_cast<std::function<void()>*>(data))();
        return G_SOURCE_REMOVE;
      },
      heap, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
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

void RunProgressDialog(ProgressDlg& dlg, const std::function<void(ProgressSink&)>& work) {
  std::thread worker([&] {
    work(dlg);
    dlg.End();  // a worker that forgot to end its dialog must not hang the program
  });
  RunPageDialog(dlg);
  worker.join();
  // Updates the worker queued after its end still refer to the dialog.
  while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
}

void InstallProgressRunner() {
  SetProgressRunner([](const std::function<void(ProgressSink&)>& work) {
    ProgressDlg dlg;
    RunProgressDialog(dlg, work);
  });
}

}  // namespace orv::gtk
