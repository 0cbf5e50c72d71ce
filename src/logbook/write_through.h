// The process's saved copy and the two ways the browse requests meet it:
// online, every successful month, day, dive log and statistics reply is
// saved as it passes (the request and what the screen shows are unchanged);
// offline, the same requests are answered from the copy with the body the
// service gave, so every screen and every printed line comes out as online.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include <json/value.h>

#include "cloud/endpoints.h"
#include "logbook/saved_copy.h"

namespace orv {

// After a sign-in: opens (creating it) the copy of `account`.email, records
// the account and writes through from then on. Returns a failure to tell
// the diver once (SAVED_COPY_BROKEN, SAVED_COPY_NEWER, a SQLite failure)
// or none; online work goes on the same way whatever it returns.
Failure OpenSavedCopyOnline(const SavedAccount& account);
// Offline: opens the existing copy of `email` for reading and fills
// `account` from it. No failure on success; else NO_SAVED_COPY,
// SAVED_COPY_NEWER, SAVED_COPY_BROKEN (moved aside: nothing left to
// read) or a SQLite failure.
Failure OpenSavedCopyOffline(const std::string& email, SavedAccount& account);
void CloseSavedCopy();
// Whether the requests are answered from the copy.
bool ReadingSavedCopy();
// The open copy (shared with whoever holds it), or null.
std::shared_ptr<SavedCopy> ActiveSavedCopy();

// Which saved item a request stands for, as its endpoint says: the month,
// day, dive log and statistics GETs; nothing for every other request.
std::optional<SavedItem> SavedItemOf(const Endpoint& endpoint);
// The write a successful reply to `endpoint` makes; nothing when the copy
// does not hold it (or a dive log reply carries no record).
std::optional<SavedWrite> WriteOf(const Endpoint& endpoint, const Json::Value& response);
// The same for a dive record read with simdjson (`record` is its `divelog`).
class SimdLog;
std::optional<SavedWrite> RecordWriteOf(const Endpoint& endpoint, const SimdLog& record);
// Write-through of one checked, successful reply, when a copy is open online.
// A failed write never touches the online result.
void SaveReply(const Endpoint& endpoint, const Json::Value& response);
// After the service accepted an edited dive log: the record as sent.
void SaveStoredDive(const Json::Value& divelog);

// Offline: the body the service sent for `endpoint`, as a full reply; or the
// failure naming what was never saved.
Result<std::string> SavedReply(const Endpoint& endpoint);
// NOT_SAVED_MONTH, NOT_SAVED_DAY, NOT_SAVED_LOG, NOT_SAVED_STATS.
Msg NotSavedKey(SavedKind kind);

std::string CompactJson(const Json::Value& value);

// Held around every request the diver starts (a screen's load, a dive's
// detail): while one lives, a yielding walk (the desktop's background save)
// waits before its next request, so it never goes ahead of the diver.
class DiverRequestScope {
 public:
  DiverRequestScope();
  ~DiverRequestScope();
  DiverRequestScope(const DiverRequestScope&) = delete;
  DiverRequestScope& operator=(const DiverRequestScope&) = delete;
};
// Returns once no diver's request is running (or at once when none is).
void WaitForDiverRequests();
// Whether a diver's request is running now.
bool DiverRequestRunning();

}  // namespace orv
