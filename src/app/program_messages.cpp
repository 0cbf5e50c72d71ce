#include "app/program_messages.h"

#include <map>
#include <mutex>
#include <utility>

namespace orv {

namespace {
std::mutex mutex;
std::map<int, ProgramMessageHandler>& Handlers() {
  static std::map<int, ProgramMessageHandler> handlers;
  return handlers;
}
std::function<void(const ProgramMessage&)>& Poster() {
  static std::function<void(const ProgramMessage&)> poster;
  return poster;
}
}  // namespace

void OnProgramMessage(int number, ProgramMessageHandler handler) {
  std::lock_guard lock(mutex);
  if (handler)
    Handlers()[number] = std::move(handler);
  else
    Handlers().erase(number);
}

void SetProgramMessagePoster(std::function<void(const ProgramMessage&)> poster) {
  std::lock_guard lock(mutex);
  Poster() = std::move(poster);
}

void PostProgramMessage(const ProgramMessage& message) {
  std::function<void(const ProgramMessage&)> poster;
  {
    std::lock_guard lock(mutex);
    poster = Poster();
  }
  if (poster)
    poster(message);
  else
    DispatchProgramMessage(message);
}

void DispatchProgramMessage(const ProgramMessage& message) {
  ProgramMessageHandler handler;
  {
    std::lock_guard lock(mutex);
    auto it = Handlers().find(message.number);
    if (it == Handlers().end()) return;
    handler = it->second;
  }
  handler(message);  // outside the lock: handlers may post or register
}

}  // namespace orv
