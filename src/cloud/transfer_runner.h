// How a blocking transfer waits. HttpPost and DownloadToFile hand their whole
// transfer to the runner; by default it simply runs on the calling thread
// (orvelle-cli, worker threads, tests). The desktop program installs one that
// keeps its windows alive while a request made on the UI thread runs.
#pragma once

#include <atomic>
#include <functional>

namespace orv {

// Runs `perform` to its end. Setting `cancel` makes the transfer stop within
// a tenth of a second; it then ends as TransferOutcome::Stopped.
using TransferRunner = std::function<void(const std::function<void()>& perform, std::atomic<bool>& cancel)>;

// Installs `runner` for every later transfer of the process; empty restores
// the inline default.
void SetTransferRunner(TransferRunner runner);

// While it lives, every transfer the constructing thread starts also stops
// within a tenth of a second once `flag` is set, ending as Stopped: a
// worker behind a dialog with its own Cancel. A null flag watches nothing.
class TransferCancelScope {
 public:
  explicit TransferCancelScope(const std::atomic<bool>* flag);
  ~TransferCancelScope();
  TransferCancelScope(const TransferCancelScope&) = delete;
  TransferCancelScope& operator=(const TransferCancelScope&) = delete;

 private:
  const std::atomic<bool>* previous_;
};

}  // namespace orv
