#include "logbook/log_book_sync.h"

#include <ctime>
#include <vector>

#include "app/app_state.h"
#include "app/stop_request.h"
#include "cloud/json_read.h"
#include "logbook/month_walk.h"
#include "logbook/write_through.h"
#include "values/months.h"

namespace orv {

namespace {

bool Unreachable(const std::string& key) { return key == "HOST_NOT_CONN" || key == "NO_INTERNET"; }

class Sync {
 public:
  Sync(const SyncOptions& options, SyncProgress* progress, std::shared_ptr<SavedCopy> copy)
      : options_(options), progress_(progress), copy_(std::move(copy)), walk_(options.yield_to_diver) {}

  bool Stopping() const { return StopRequested() || (options_.stop && options_.stop->load()); }

  std::string Run() {
    WalkReply stats = walk_.Statistics(State().user_id);
    if (!stats.ok()) return stats.key;
    const int64_t target = static_cast<int64_t>(JsonInt(stats.response, "scuba_mode_count")) +
                           JsonInt(stats.response, "freedive_mode_count");
    if (std::string key = Commit(); !key.empty()) return key;
    int64_t year = 0, found = 0;
    int month = 1, empty_run = 0;
    CurrentLocalMonth(year, month);
    for (;;) {
      if (Stopping()) return "SYNC_STOPPED";
      int64_t count = 0;
      if (std::string key = Month(year, month, count); !key.empty()) return key;
      found += count;
      empty_run = count ? 0 : empty_run + 1;
      if (options_.has_from
              ? MonthIndex(year, month) <= MonthIndex(options_.from_year, options_.from_month)
              : (found >= target && empty_run >= kSyncEmptyMonths) || MonthIndex(year, month) <= MonthIndex(kSyncFloorYear, 1))
        return {};
      StepMonth(year, month, -1);
    }
  }

  const SyncCounts& counts() const { return counts_; }

 private:
  std::string Month(int64_t year, int month, int64_t& count) {
    std::vector<WalkDive> dives;
    std::string key = walk_.Month(year, month, dives, &count, !options_.full);
    ++counts_.months;
    counts_.dives_listed += static_cast<int64_t>(dives.size());
    for (size_t i = 0; key.empty() && i < dives.size(); ++i) {
      const WalkDive& d = dives[i];
      if (!options_.full && copy_->ListRowOf(d.id) == d.list_row) continue;
      if (Stopping()) {
        key = "SYNC_STOPPED";
        break;
      }
      WalkReply record = walk_.Dive(d.id, d.list_row);
      if (record.ok())
        ++counts_.dives_fetched;
      else if (Unreachable(record.key))
        key = record.key;
      else
        ++counts_.dives_skipped;
      Report();
    }
    // What arrived is kept even when the month ended early: the next sync
    // sees the month unchanged and asks only for what is still missing.
    if (std::string write_key = Commit(); !write_key.empty()) return write_key;
    Report();
    return key;
  }

  std::string Commit() { return copy_->Commit(walk_.TakeBatch(), std::time(nullptr)); }

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
  if (!copy || ReadingSavedCopy()) return {"SAVED_COPY_WRITE", {}};
  Sync sync(options, progress, copy);
  SyncResult result;
  result.key = sync.Run();
  result.counts = sync.counts();
  return result;
}

}  // namespace orv
