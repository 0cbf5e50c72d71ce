// The one owner of "the program is waiting" on the UI thread. Every nested
// main loop of the desktop program runs through it: a page read or load
// waiting for WebKit's answer, a service request running on a worker, a
// modal dialog, a pause of the demo tour. It also owns what waits with it:
// while a service request runs, the diver's input to the program's windows is
// held off (except the busy popup's), and page events and program messages
// queue; they are handed back in the order they came, from the main loop,
// once the request is answered. docs/threading.md tells the whole story.
#pragma once

#include <gtk/gtk.h>

#include <deque>
#include <functional>
#include <map>
#include <vector>

#include "app/cancellable.h"
#include "app/program_messages.h"

namespace orv::gtk {

class UiWait {
 public:
  // The UI thread's one.
  static UiWait& Get();

  // Spins the default main context until `done` is true or `timeout_ms` has
  // passed (0: no limit); true when `done`. Nothing is held: other windows
  // keep working, and the caller's own window keeps its events queued through
  // a Busy scope.
  bool SpinUntil(const std::function<bool()>& done, int timeout_ms);
  // Lets the main loop run for `ms` (the demo tour's pauses).
  void Pause(int ms);
  // Dispatches what is ready now without blocking.
  void Drain();

  // Runs `perform` (a transfer) on a worker while the windows keep painting;
  // input, page events and program messages are held meanwhile and the busy
  // popup comes up after a moment. Off the UI thread it runs inline.
  void RunRequest(const std::function<void()>& perform, Cancellable& transfer);
  // The diver's Cancel: every running request stops as a failed connection,
  // and the operation is marked cancelled (wait_purpose.h).
  void CancelRequests();
  bool Holding() const { return holding_ > 0; }

  // A page event or program message for `owner` (a window; null for program
  // messages): delivered at once when nothing holds it, else queued and
  // delivered in arrival order. `holdable` false: a request's hold does not
  // keep it (the busy popup's own Cancel).
  void Deliver(const void* owner, std::function<void()> deliver, bool holdable = true);
  // Drops what is queued for an owner that goes.
  void Forget(const void* owner);

  // While it lives, `owner`'s handler runs or waits: its events stay queued,
  // so a handler is never re-entered.
  class Busy {
   public:
    explicit Busy(const void* owner);
    ~Busy();
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

   private:
    const void* owner_;
  };

 private:
  UiWait() = default;
  struct Queued {
    const void* owner;
    std::function<void()> deliver;
    bool holdable;
  };
  void Pump();
  void Hold();
  void Release();

  int holding_ = 0;
  std::vector<Cancellable*> transfers_;  // every request now running, innermost last
  std::deque<Queued> queued_;
  std::map<const void*, int> busy_;
  guint busy_timer_ = 0;
  bool pump_scheduled_ = false;
};

// Hands a program message (from any thread) to the UI thread: dispatched
// from the main loop, in order, and kept while a request holds messages.
void QueueProgramMessage(const ProgramMessage& message);

// Installs UiWait::RunRequest as the runner of every later transfer of the
// process. Transfers on other threads (upload, update) still run inline on
// their own thread.
void InstallRequestWaitRunner();

}  // namespace orv::gtk
