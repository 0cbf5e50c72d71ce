#include "app/stop_request.h"

#include <csignal>

#include <atomic>
#include <iterator>

#include "app/cancellable.h"

namespace orv {

namespace {

// Which signal asked; lock-free, so a handler may set it.
std::atomic<int> request{0};
static_assert(std::atomic<int>::is_always_lock_free);

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction saved[std::size(kStopSignals)];

extern "C" void OnStopSignal(int signal_number) { RequestStop(signal_number); }

}  // namespace

void RequestStop(int signal_number) {
  request.store(signal_number > 0 ? signal_number : 0);
  ProgramStop().CancelFromSignal();
}
int StopSignal() { return request.load(); }
void ClearStopRequest() {
  request.store(0);
  ProgramStop().Reset();
}

StopSignalScope::StopSignalScope() {
  ProgramStop();  // made now: a handler must not be the first to make it
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // Interrupted system calls carry on; the operation sees the request at its
  // next look instead of an error it would have to tell from a real one.
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < std::size(kStopSignals); ++i) ::sigaction(kStopSignals[i], &action, &saved[i]);
}

StopSignalScope::~StopSignalScope() {
  for (size_t i = 0; i < std::size(kStopSignals); ++i) ::sigaction(kStopSignals[i], &saved[i], nullptr);
}

}  // namespace orv
