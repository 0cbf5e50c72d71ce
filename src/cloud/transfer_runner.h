// How a blocking transfer waits. HttpPost and DownloadToFile hand their whole
// transfer to the runner; by default it simply runs on the calling thread
// (orvelle-cli, worker threads, tests). The desktop program installs one that
// keeps its windows alive while a request made on the UI thread runs.
#pragma once

#include <functional>

#include "app/cancellable.h"

namespace orv {

// Runs `perform` to its end. Cancelling `transfer` (a child of the calling
// thread's Cancellable::Current()) stops it at once; it then ends as
// TransferOutcome::Stopped.
using TransferRunner = std::function<void(const std::function<void()>& perform, Cancellable& transfer)>;

// Installs `runner` for every later transfer of the process; empty restores
// the inline default.
void SetTransferRunner(TransferRunner runner);

}  // namespace orv
