// What a handler waits for while its service request runs, and whether the
// diver has given that wait up. The handler names it (a message key such as
// BUSY_SIGNING_IN) for the span of its operation; the desktop program's
// busy popup says it, and its Cancel cancels the operation (WaitOperation),
// so the failure that follows shows no message and the screen stays as it
// was.
// Each thread has its own: the UI thread's handlers are what it is for.
#pragma once

#include "app/cancellable.h"
#include "app/string_table.h"

namespace orv {

class WaitPurpose {
 public:
  explicit WaitPurpose(MessageKey key);
  ~WaitPurpose();
  WaitPurpose(const WaitPurpose&) = delete;
  WaitPurpose& operator=(const WaitPurpose&) = delete;
};

// The innermost purpose named on this thread, BUSY_WORKING when none is.
MessageKey CurrentWaitPurpose();

// The operation now running on this thread, a child of ProgramStop(): the
// busy popup's Cancel cancels it. It starts afresh (Reset) with the
// outermost WaitPurpose and when that ends; outside any, whoever starts a
// new operation resets it.
Cancellable& WaitOperation();
// Whether a WaitPurpose is open on this thread.
bool InNamedWait();

}  // namespace orv
