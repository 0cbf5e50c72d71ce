#include "app/wait_purpose.h"
#include "app/message_keys.h"

#include <vector>

namespace orv {

namespace {
thread_local std::vector<MessageKey> purposes;
thread_local bool cancelled = false;
}  // namespace

WaitPurpose::WaitPurpose(MessageKey key) {
  if (purposes.empty()) cancelled = false;  // a new operation starts clean
  purposes.push_back(std::move(key));
}

WaitPurpose::~WaitPurpose() {
  purposes.pop_back();
  if (purposes.empty()) cancelled = false;
}

MessageKey CurrentWaitPurpose() { return purposes.empty() ? MessageKey(KeyOf(Msg::BusyWorking)) : purposes.back(); }

void NoteWaitCancelled() { cancelled = true; }
bool WaitCancelled() { return cancelled; }
void ForgetWaitCancelled() { cancelled = false; }
bool InNamedWait() { return !purposes.empty(); }

}  // namespace orv
