#include "desktop/generic_dialogs.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace orv::gtk {

namespace {
std::thread::id ui_thread;

std::string ClickedId(const PageEvent& event) {
  return event.code == kEventClick ? event.target.Attr("id") : std::string();
}
}  // namespace

void MarkUiThread() { ui_thread = std::this_thread::get_id(); }
bool OnUiThread() { return std::this_thread::get_id() == ui_thread; }

void RunOnUiThread(const std::function<void()>& task) {
  if (std::this_thread::get_id() == ui_thread) {
    task();
    return;
  }
  struct Call {
    const std::function<void()>* task;
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
  } call{&task, {}, {}, false};
  // An idle source, never g_main_context_invoke: that runs the task on the
  // calling thread whenever the UI thread happens to be between iterations.
  g_idle_add(
      [](gpointer data) -> gboolean {
        auto* c = static_cast<Call*>(data);
        (*c->task)();
        std::lock_guard lock(c->m);
        c->done = true;
        c->cv.notify_one();
        return G_SOURCE_REMOVE;
      },
      &call);
  std::unique_lock lock(call.m);
  call.cv.wait(lock, [&] { return call.done; });
}

void MsgDlg::Fill() {
  ElementRef main = window().FindById("MsgText1");
  // A second text reads better under a left-aligned main text.
  if (!second_.empty()) main.SetStyle("text-align", "left");
  main.SetText(text_);
  window().FindById("MsgText2").SetText(second_);
}

void MsgDlg::OnEvent(const ElementRef&, const PageEvent& event) {
  if (ClickedId(event) == "ok") EndDialog(1);
}

void YesNoDlg::Fill() { window().FindById("MsgText").SetText(text_); }

void YesNoDlg::OnEvent(const ElementRef&, const PageEvent& event) {
  const std::string id = ClickedId(event);
  if (id == "ok")
    EndDialog(1);
  else if (id == "cancel")
    EndDialog(0);
}

void AboutDlg::OnEvent(const ElementRef&, const PageEvent& event) {
  if (ClickedId(event) == "ok") EndDialog(1);
}

void GtkDialogs::ShowMessage(const std::string& text, const std::string& second) {
  RunOnUiThread([&] {
    MsgDlg dlg(text, second);
    RunPageDialog(dlg);
  });
}

bool GtkDialogs::AskYesNo(const std::string& text) {
  bool yes = false;
  RunOnUiThread([&] {
    YesNoDlg dlg(text);
    yes = RunPageDialog(dlg) == 1;
  });
  return yes;
}

void GtkDialogs::ShowAbout() {
  RunOnUiThread([] {
    AboutDlg dlg;
    RunPageDialog(dlg);
  });
}

}  // namespace orv::gtk
