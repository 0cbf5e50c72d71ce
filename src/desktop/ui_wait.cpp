#include "desktop/ui_wait.h"

#include <algorithm>
#include <thread>
#include <utility>

#include "app/wait_purpose.h"
#include "cloud/transfer_runner.h"
#include "desktop/busy_popup.h"
#include "desktop/generic_dialogs.h"
#include "desktop/idle_task.h"
#include "desktop/webkit_window.h"

namespace orv::gtk {

namespace {

// Quick answers never flash the popup.
constexpr guint kBusyDelayMs = 400;

bool IsInput(GdkEventType type) {
  switch (type) {
    case GDK_MOTION_NOTIFY:
    case GDK_BUTTON_PRESS:
    case GDK_2BUTTON_PRESS:
    case GDK_3BUTTON_PRESS:
    case GDK_BUTTON_RELEASE:
    case GDK_KEY_PRESS:
    case GDK_KEY_RELEASE:
    case GDK_SCROLL:
    case GDK_TOUCH_BEGIN:
    case GDK_TOUCH_UPDATE:
    case GDK_TOUCH_END:
    case GDK_TOUCH_CANCEL:
    case GDK_TOUCHPAD_SWIPE:
    case GDK_TOUCHPAD_PINCH:
    case GDK_DELETE:
    case GDK_DRAG_ENTER:
    case GDK_DRAG_MOTION:
    case GDK_DROP_START:
      return true;
    default:
      return false;
  }
}

// GTK's own handling, as outside a request.
void PassInput(GdkEvent* event, gpointer) { gtk_main_do_event(event); }

// Everything the diver does goes nowhere while a request waits, except into
// the busy popup; Escape anywhere is the same as its Cancel.
void HoldInput(GdkEvent* event, gpointer) {
  if (IsInput(event->type)) {
    GtkWindow* popup = BusyPopup::ShownWindow();
    GdkWindow* popup_window = popup ? gtk_widget_get_window(GTK_WIDGET(popup)) : nullptr;
    const bool ours = popup_window && event->any.window && gdk_window_get_toplevel(event->any.window) == popup_window;
    if (!ours) {
      if (popup && event->type == GDK_KEY_PRESS && event->key.keyval == GDK_KEY_Escape) UiWait::Get().CancelRequests();
      return;
    }
  }
  gtk_main_do_event(event);
}

}  // namespace

UiWait& UiWait::Get() {
  static UiWait wait;
  return wait;
}

bool UiWait::SpinUntil(const std::function<bool()>& done, int timeout_ms) {
  bool timed_out = false;
  guint timer = 0;
  if (timeout_ms > 0)
    timer = g_timeout_add(
        static_cast<guint>(timeout_ms),
        [](gpointer flag) {
          *static_cast<bool*>(flag) = true;
          return G_SOURCE_REMOVE;
        },
        &timed_out);
  while (!done() && !timed_out) g_main_context_iteration(nullptr, TRUE);
  if (timer && !timed_out) g_source_remove(timer);
  return done();
}

void UiWait::Pause(int ms) {
  SpinUntil([] { return false; }, ms);
}

void UiWait::Drain() {
  while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
}

void UiWait::Hold() {
  if (holding_++ > 0) return;
  gdk_event_handler_set(HoldInput, nullptr, nullptr);
  busy_timer_ = g_timeout_add(
      kBusyDelayMs,
      [](gpointer self) {
        static_cast<UiWait*>(self)->busy_timer_ = 0;
        BusyPopup::Show();
        return G_SOURCE_REMOVE;
      },
      this);
}

void UiWait::Release() {
  if (--holding_ > 0) return;
  if (busy_timer_) g_source_remove(busy_timer_);
  busy_timer_ = 0;
  BusyPopup::Hide();
  gdk_event_handler_set(PassInput, nullptr, nullptr);
  WebKitWindow::FlushHeldWrites();
  // Handed back from the main loop, never inside the handler that waited.
  if (!queued_.empty() && !pump_scheduled_) {
    pump_scheduled_ = true;
    RunWhenIdle([this] {
      pump_scheduled_ = false;
      Pump();
    });
  }
}

void UiWait::RunRequest(const std::function<void()>& perform, Cancellable& transfer) {
  if (!OnUiThread()) {
    perform();
    return;
  }
  // A request made outside any named operation starts with no Cancel behind
  // it; within one that the diver has cancelled, it ends at once.
  if (transfers_.empty() && !InNamedWait()) WaitOperation().Reset();
  if (WaitOperation().IsCancelled()) transfer.Cancel();
  transfers_.push_back(&transfer);
  Hold();
  std::atomic<bool> done{false};
  std::thread worker([&] {
    perform();
    done = true;
    g_main_context_wakeup(nullptr);
  });
  SpinUntil([&] { return done.load(); }, 0);
  worker.join();
  transfers_.pop_back();
  Release();
}

void UiWait::CancelRequests() {
  if (transfers_.empty()) return;
  for (Cancellable* transfer : transfers_) transfer->Cancel();
  WaitOperation().Cancel();
  BusyPopup::MarkCancelled();
}

void UiWait::Deliver(const void* owner, std::function<void()> deliver, bool holdable) {
  queued_.push_back(Queued{owner, std::move(deliver), holdable});
  Pump();
}

void UiWait::Forget(const void* owner) {
  queued_.erase(std::remove_if(queued_.begin(), queued_.end(), [owner](const Queued& q) { return q.owner == owner; }),
                queued_.end());
  busy_.erase(owner);
}

void UiWait::Pump() {
  // The first queued item that may go now goes; each may start waits of its
  // own and change the queue, so the search starts over after it.
  for (;;) {
    auto next = std::find_if(queued_.begin(), queued_.end(), [this](const Queued& q) {
      if (q.holdable && holding_ > 0) return false;
      auto b = busy_.find(q.owner);
      return b == busy_.end() || b->second == 0;
    });
    if (next == queued_.end()) return;
    Queued item = std::move(*next);
    queued_.erase(next);
    Busy busy(item.owner);
    item.deliver();
  }
}

UiWait::Busy::Busy(const void* owner) : owner_(owner) {
  if (owner_) ++Get().busy_[owner_];
}

UiWait::Busy::~Busy() {
  if (!owner_) return;
  auto& busy = Get().busy_;
  auto it = busy.find(owner_);
  if (it == busy.end()) return;  // the owner went while its handler ran
  if (--it->second == 0) {
    busy.erase(it);
    Get().Pump();
  }
}

void QueueProgramMessage(const ProgramMessage& message) {
  RunWhenIdle([message] { UiWait::Get().Deliver(nullptr, [message] { DispatchProgramMessage(message); }); });
}

void InstallRequestWaitRunner() {
  SetTransferRunner(
      [](const std::function<void()>& perform, Cancellable& transfer) { UiWait::Get().RunRequest(perform, transfer); });
}

}  // namespace orv::gtk
