// Saving the whole log book: the statistics, then every month from this one
// back, its dive days' lists and their dive records, up to four requests in
// flight on kept connections, each month committed as one batch, whole and
// in the walk's order, so a sync killed at any moment leaves every month
// before the one it was on complete. A later sync asks every month again but
// asks for a day list only when it is not saved or the month's summary counts
// another number of dives for its day, and for a dive record only when it is
// not saved or its day-list row changed.
#pragma once

#include <cstdint>
#include <string>

#include "app/cancellable.h"
#include "app/failure.h"

namespace orv {

struct SyncCounts {
  int64_t months = 0;         // month summaries asked for
  int64_t dives_listed = 0;   // dives the walked day lists hold
  int64_t dives_fetched = 0;  // records fetched and saved this run
  int64_t dives_skipped = 0;  // records the service refused
};

class SyncProgress {
 public:
  virtual ~SyncProgress() = default;
  virtual void Report(const SyncCounts& counts) = 0;
};

// The oldest month a sync without a start ever asks for.
inline constexpr int64_t kSyncFloorYear = 1990;
// Dive-less months past the statistics' count before the walk stops.
inline constexpr int kSyncEmptyMonths = 12;

struct SyncOptions {
  bool has_from = false;  // walk back to from_year/from_month, else by the statistics
  int64_t from_year = 0;
  int from_month = 1;
  bool full = false;  // fetch everything again
  // Cancelled: end at once, the request in flight cut off (it is also the
  // operation every request of the sync belongs to).
  Cancellable* stop = nullptr;
  bool yield_to_diver = false;  // send nothing while a request of the diver runs
};

struct SyncResult {
  Failure failure;  // none when the walk ended; SYNC_STOPPED when stopped
  SyncCounts counts;
  bool ok() const { return !failure.failed(); }
};

// Needs a signed-in session and the account's copy open (OpenSavedCopyOnline).
// A request that fails ends the sync with its key, keeping every month
// committed before; a record the service refuses (DATA_ERROR,
// HOST_ERROR) is counted as skipped and asked again next time. A write the
// copy refuses ends it with SAVED_COPY_WRITE, the copy as it was.
SyncResult SyncLogBook(const SyncOptions& options, SyncProgress* progress = nullptr);

}  // namespace orv
