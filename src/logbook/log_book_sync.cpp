#include "logbook/log_book_sync.h"

#include <ctime>
#include <optional>
#include <vector>

#include "app/app_state.h"
#include "app/message_keys.h"
#include "app/stop_request.h"
#include "cloud/json_read.h"
#include "logbook/month_walk.h"
#include "logbook/write_through.h"
#include "values/months.h"

namespace orv {

namespace {

class Sync {
 public:
  Sync(const SyncOptions& options, SyncProgress* progress, std::shared_ptr<SavedCopy> copy)
      : options_(options), progress_(progress), copy_(std::move(copy)), walk_(options.yield_to_diver) {}

  bool Stopping() const { return StopRequested() || (options_.stop && options_.stop->IsCancelled()); }

  Failure Run() {
    Reply stats = walk_.Statistics(State().user_id);
    if (!stats.ok()) return stats.failure();
    const int64_t target =
        static_cast<int64_t>(JsonInt(*stats, "scuba_mode_count")) + JsonInt(*stats, "freedive_mode_count");
    if (Failure failure = Commit()) return failure;
    int64_t year = 0, found = 0;
    int month = 1, empty_run = 0;
    CurrentLocalMonth(year, month);
    for (;;) {
      if (Stopping()) return Msg::SyncStopped;
      int64_t count = 0;
      if (Failure failure = Month(year, month, count)) return failure;
      found += count;
      empty_run = count ? 0 : empty_run + 1;
      if (options_.has_from ? MonthIndex(year, month) <= MonthIndex(options_.from_year, options_.from_month)
                            : (found >= target && empty_run >= kSyncEmptyMonths) ||
                                  MonthIndex(year, month) <= MonthIndex(kSyncFloorYear, 1))
        return {};
      StepMonth(year, month, -1);
    }
  }

  const SyncCounts& counts() const { return counts_; }

 private:
  Failure Month(int64_t year, int month, int64_t& count) {
    std::vector<WalkDive> dives;
    Failure failure = walk_.Month(year, month, dives, &count, !options_.full);
    ++counts_.months;
    counts_.dives_listed += static_cast<int64_t>(dives.size());
    for (size_t i = 0; !failure && i < dives.size(); ++i) {
      const WalkDive& d = dives[i];
      if (!options_.full && copy_->ListRowOf(d.id) == d.list_row) continue;
      if (Stopping()) {
        failure = Msg::SyncStopped;
        break;
      }
      Reply record = walk_.Dive(d.id, d.list_row);
      if (record.ok())
        ++counts_.dives_fetched;
      else if (record.failure().unreachable())
        failure = record.failure();
      else
        ++counts_.dives_skipped;
      Report();
    }
    // What arrived is kept even when the month ended early: the next sync
    // sees the month unchanged and asks only for what is still missing.
    if (Failure write = Commit()) return write;
    Report();
    return failure;
  }

  Failure Commit() { return copy_->Commit(walk_.TakeBatch(), std::time(nullptr)); }

  void Report() {
    if (progress_) progress_->Report(counts_);
  }

  const SyncOptions& options_;
  SyncProgress* progress_;
  std::shared_ptr<SavedCopy> copy_;
  MonthWalk walk_;
  SyncCounts counts_;
};

}  // namespace

SyncResult SyncLogBook(const SyncOptions& options, SyncProgress* progress) {
  std::shared_ptr<SavedCopy> copy = ActiveSavedCopy();
  if (!copy || ReadingSavedCopy()) return {Msg::SavedCopyWrite, {}};
  // Every request of the walk belongs to the sync's own operation.
  std::optional<Cancellable::CurrentScope> operation;
  if (options.stop) operation.emplace(*options.stop);
  Sync sync(options, progress, copy);
  SyncResult result;
  result.failure = sync.Run();
  // A request cut off by the stop fails like a lost connection; the stop is
  // what ended it.
  if (result.failure && sync.Stopping()) result.failure = Msg::SyncStopped;
  result.counts = sync.counts();
  return result;
}

}  // namespace orv
