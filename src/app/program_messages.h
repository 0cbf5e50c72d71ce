// The program's own window messages: posted from anywhere (worker threads,
// map pages), handled in order on the UI thread by whoever registered for
// the number.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace orv {

enum ProgramMessageNumber : int {
  kMsgMapLoaded = 2024,
  kMsgMapMouse = 2025,
  kMsgMapCentre = 2026,
  kMsgMarkerMoved = 2027,
  kMsgReloadStatistics = 2028,
  kMsgSettingsChanged = 2029,
  kMsgShowMonth = 2030,  // word: year × 100 + month; the calendar turns there
  kMsgSocialPageLoaded = 3024,
};

struct ProgramMessage {
  int number = 0;
  int64_t word = 0;
  double x = 0;  // map coordinates travel with the message
  double y = 0;
};

using ProgramMessageHandler = std::function<void(const ProgramMessage&)>;

// Registers the handler for one number (replacing an earlier one); an
// empty function unregisters.
void OnProgramMessage(int number, ProgramMessageHandler handler);
// Queues the message for the UI thread. Without an installed poster (tests,
// orvelle-cli) the message is handled at once on the calling thread.
void PostProgramMessage(const ProgramMessage& message);
// Hands a message to its registered handler; the UI thread's queue calls it.
void DispatchProgramMessage(const ProgramMessage& message);
void SetProgramMessagePoster(std::function<void(const ProgramMessage&)> poster);

}  // namespace orv
