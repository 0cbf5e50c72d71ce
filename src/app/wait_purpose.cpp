#include "app/wait_purpose.h"
#include "app/message_keys.h"

#include <vector>

namespace orv {

namespace {
thread_local std::vector<MessageKey> purposes;
}  // namespace

WaitPurpose::WaitPurpose(MessageKey key) {
  if (purposes.empty()) WaitOperation().Reset();  // a new operation starts clean
  purposes.push_back(std::move(key));
}

WaitPurpose::~WaitPurpose() {
  purposes.pop_back();
  if (purposes.empty()) WaitOperation().Reset();
}

MessageKey CurrentWaitPurpose() { return purposes.empty() ? MessageKey(KeyOf(Msg::BusyWorking)) : purposes.back(); }

Cancellable& WaitOperation() {
  thread_local Cancellable operation(&ProgramStop());
  return operation;
}
bool InNamedWait() { return !purposes.empty(); }

}  // namespace orv
