// One way to stop: every operation carries a Cancellable, as a GLib program
// carries a GCancellable. Cancelling one reaches its children, so the
// program-wide stop (a signal, the main window closing, the end of the
// program) reaches every operation, and a Cancel button reaches the one it
// belongs to. Transfers, waits and the log book sync read only this.
//
// The thread's current operation (Current()) is what a transfer started
// deep inside a handler or a walk belongs to, without passing it through
// every call, like g_cancellable_push_current.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace orv {

class Cancellable {
 public:
  // With a parent, cancelling the parent cancels this one too; a parent
  // already cancelled makes this one start cancelled. The parent must
  // outlive the child.
  explicit Cancellable(Cancellable* parent = nullptr);
  ~Cancellable();
  Cancellable(const Cancellable&) = delete;
  Cancellable& operator=(const Cancellable&) = delete;

  // Cancels this one and every child, and wakes whoever waits on them.
  void Cancel();
  bool IsCancelled() const;

  // Sleeps until `timeout` passes or the operation is cancelled (true).
  bool WaitFor(std::chrono::milliseconds timeout) const;
  // Called once when the operation is cancelled (at once when it already
  // is), on the cancelling thread: a way to wake a wait this type does not
  // own, such as a transfer's poll. Returns an id for Disconnect, which
  // returns only when no call of the callback is running.
  int Connect(std::function<void()> on_cancel);
  void Disconnect(int id);

  // Signal-safe: records the stop with a single lock-free store and nothing
  // else. Waits notice it within their next slice (WaitFor
  // looks at least every 50 ms); a later Cancel() wakes them at once.
  void CancelFromSignal() { flag_.store(true); }
  // Makes this one usable again (tests; a program that carries on after a
  // stop). Children cancelled meanwhile stay so.
  void Reset() { flag_.store(false); }

  // The thread's current operation: the innermost CurrentScope, else the
  // program-wide stop.
  static Cancellable& Current();
  class CurrentScope {
   public:
    explicit CurrentScope(Cancellable& operation);
    ~CurrentScope();
    CurrentScope(const CurrentScope&) = delete;
    CurrentScope& operator=(const CurrentScope&) = delete;

   private:
    Cancellable* previous_;
  };

 private:
  void AddChild(Cancellable* child);
  void RemoveChild(Cancellable* child);

  std::atomic<bool> flag_{false};
  Cancellable* parent_;
  mutable std::mutex mutex_;
  mutable std::condition_variable wake_;
  std::vector<Cancellable*> children_;
  std::vector<std::pair<int, std::function<void()>>> callbacks_;
  int next_id_ = 0;
  // Held while the callbacks run, so Disconnect can wait them out; taken
  // before mutex_, and recursive so a callback may disconnect itself.
  std::recursive_mutex callback_mutex_;
  static_assert(std::atomic<bool>::is_always_lock_free);
};

// The program-wide stop: the parent of every operation's Cancellable.
Cancellable& ProgramStop();

}  // namespace orv
