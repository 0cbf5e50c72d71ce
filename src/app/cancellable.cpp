#include "app/cancellable.h"

#include <algorithm>

namespace orv {

namespace {

// A signal's store is seen within this slice by any wait.
constexpr std::chrono::milliseconds kSlice{50};

thread_local Cancellable* current = nullptr;

}  // namespace

Cancellable::Cancellable(Cancellable* parent) : parent_(parent) {
  if (parent_) parent_->AddChild(this);
}

Cancellable::~Cancellable() {
  if (parent_) parent_->RemoveChild(this);
}

void Cancellable::AddChild(Cancellable* child) {
  bool cancelled;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    children_.push_back(child);
    cancelled = IsCancelled();
  }
  if (cancelled) child->Cancel();
}

void Cancellable::RemoveChild(Cancellable* child) {
  std::lock_guard<std::mutex> lock(mutex_);
  children_.erase(std::remove(children_.begin(), children_.end(), child), children_.end());
}

void Cancellable::Cancel() {
  std::lock_guard<std::recursive_mutex> running(callback_mutex_);
  std::vector<std::pair<int, std::function<void()>>> callbacks;
  {
    // Children are cancelled under the lock: a child leaves the list under
    // it before it goes, so every child named here is alive.
    std::lock_guard<std::mutex> lock(mutex_);
    flag_.store(true);
    callbacks.swap(callbacks_);
    for (Cancellable* child : children_) child->Cancel();
  }
  wake_.notify_all();
  for (auto& [id, callback] : callbacks) callback();
}

bool Cancellable::IsCancelled() const {
  // A signal reaches only the program-wide flag; the chain is short (the
  // program, a dialog, a transfer).
  for (const Cancellable* c = this; c; c = c->parent_)
    if (c->flag_.load()) return true;
  return false;
}

bool Cancellable::WaitFor(std::chrono::milliseconds timeout) const {
  const auto end = std::chrono::steady_clock::now() + timeout;
  std::unique_lock<std::mutex> lock(mutex_);
  while (!IsCancelled()) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= end) return false;
    wake_.wait_for(lock, std::min<std::chrono::steady_clock::duration>(end - now, kSlice));
  }
  return true;
}

int Cancellable::Connect(std::function<void()> on_cancel) {
  std::unique_lock<std::mutex> lock(mutex_);
  // A signal's store alone runs no callback: the caller learns it here.
  if (IsCancelled()) {
    lock.unlock();
    on_cancel();
    return -1;
  }
  callbacks_.emplace_back(++next_id_, std::move(on_cancel));
  return next_id_;
}

void Cancellable::Disconnect(int id) {
  // A Cancel on another thread may be running it right now: wait it out.
  std::lock_guard<std::recursive_mutex> running(callback_mutex_);
  std::lock_guard<std::mutex> lock(mutex_);
  callbacks_.erase(std::remove_if(callbacks_.begin(), callbacks_.end(), [id](const auto& c) { return c.first == id; }),
                   callbacks_.end());
}

Cancellable& Cancellable::Current() { return current ? *current : ProgramStop(); }

Cancellable::CurrentScope::CurrentScope(Cancellable& operation) : previous_(current) { current = &operation; }
Cancellable::CurrentScope::~CurrentScope() { current = previous_; }

Cancellable& ProgramStop() {
  static Cancellable program;
  return program;
}

}  // namespace orv
