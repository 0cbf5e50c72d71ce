#include "export/log_book_walk.h"

#include <ctime>
#include <set>

#include "app/message_keys.h"
#include "cloud/json_read.h"
#include "export/saved_record.h"
#include "logbook/month_walk.h"
#include "logbook/write_through.h"

namespace orv {

MonthRange LastTwelveMonths() {
  MonthRange range;
  CurrentLocalMonth(range.to_year, range.to_month);
  range.from_year = range.to_year;
  range.from_month = range.to_month;
  StepMonth(range.from_year, range.from_month, -11);
  return range;
}

namespace {

class Walk {
 public:
  Walk(const MonthRange& range, const TakeDive& take, ExportProgress* progress) : take_(take), progress_(progress) {
    counts_.months_total = range.Count();
  }

  Failure Month(int64_t year, int month, LogBook& book) {
    std::vector<WalkDive> dives;
    Failure failure = walk_.Month(year, month, dives);
    for (size_t i = 0; !failure && !Cancelled() && i < dives.size(); ++i) failure = FetchDive(dives[i], book);
    // The replies that arrived go into the saved copy as one batch; the
    // export's own result never depends on that write.
    if (std::shared_ptr<SavedCopy> copy = ActiveSavedCopy(); copy && !ReadingSavedCopy())
      copy->Commit(walk_.TakeBatch(), std::time(nullptr));
    if (!failure) {
      ++counts_.months_done;
      Report();
    }
    return failure;
  }

  void Report() {
    if (progress_) progress_->Report(counts_);
  }

  bool Cancelled() const { return progress_ && progress_->Cancelled(); }

 private:
  // One record; the failure that stops the walk, else none.
  Failure FetchDive(const WalkDive& dive, LogBook& book) {
    if (dive.id.empty() || !seen_.insert(dive.id).second) return {};
    // Offline the record is read straight from the copy's text; one read so
    // no further than the reply would be goes the reply's way.
    std::optional<ExportDive> saved = ReadingSavedCopy() ? SavedExportDive(dive.id) : std::nullopt;
    Reply reply = saved ? Reply(Json::Value()) : walk_.Dive(dive.id, dive.list_row);
    if (!reply.ok()) {
      const Failure& failure = reply.failure();
      // Offline, a record the saved copy lacks would make a file that
      // silently misses dives: the walk stops and names what is missing.
      // A damaged page is the same: it was set aside with its copy.
      if (failure.not_saved() || failure == Msg::SavedCopyBroken) return failure;
      // One record that cannot be read (an error page, a refused or
      // malformed reply, a time-out) costs that dive only. The same
      // unanswered request for several dives in a row is the service
      // itself gone, and naming every remaining dive would hide that.
      unreachable_in_row_ = failure.unreachable() ? unreachable_in_row_ + 1 : 0;
      book.skipped.push_back({dive.id, failure});
      ++counts_.dives_skipped;
      if (unreachable_in_row_ >= kUnreachableInRow) return failure;
    } else {
      unreachable_in_row_ = 0;
      ExportDive read = saved ? std::move(*saved) : MakeExportDive(JsonMember(*reply, "divelog"));
      // The record is the authority on its id; the list only pointed to it.
      if (read.id.empty()) read.id = dive.id;
      if (!take_(read)) return Msg::ExportWriteError;
      ++book.dives;
      ++counts_.dives_done;
    }
    Report();
    return {};
  }

  const TakeDive& take_;
  ExportProgress* progress_;
  ExportCounts counts_;
  MonthWalk walk_;
  std::set<std::string> seen_;
  static constexpr int kUnreachableInRow = 3;
  int unreachable_in_row_ = 0;
};

}  // namespace

LogBook WalkLogBook(const MonthRange& range, const TakeDive& take, ExportProgress* progress) {
  LogBook book;
  Walk walk(range, take, progress);
  walk.Report();
  int64_t year = range.from_year;
  int month = range.from_month;
  for (int64_t i = 0; i < range.Count(); ++i, StepMonth(year, month, 1)) {
    Failure failure = walk.Month(year, month, book);
    // A request cut off by Cancel fails like a lost connection; the
    // diver's stop is looked at first, so it is never reported as one.
    if (walk.Cancelled()) {
      LogBook stopped;
      stopped.cancelled = true;
      return stopped;
    }
    if (failure) {
      book.failure = std::move(failure);
      return book;
    }
  }
  return book;
}

}  // namespace orv
