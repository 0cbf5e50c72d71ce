#include "export/log_book_walk.h"

#include <algorithm>
#include <ctime>

#include "cloud/json_read.h"
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

// Keys that say the walk cannot go on: the service is gone or stalled, or
// (offline) the saved copy lacks what the file would need.
bool StopsWalk(const std::string& key) {
  return key == "HOST_NOT_CONN" || key == "NO_INTERNET" || key.rfind("NOT_SAVED_", 0) == 0;
}

class Walk {
 public:
  Walk(const MonthRange& range, ExportProgress* progress) : progress_(progress) {
    counts_.months_total = range.Count();
  }

  std::string Month(int64_t year, int month, LogBook& book) {
    std::vector<WalkDive> dives;
    std::string key = walk_.Month(year, month, dives);
    for (size_t i = 0; key.empty() && i < dives.size(); ++i) key = FetchDive(dives[i], book);
    // The replies that arrived go into the saved copy as one batch; the
    // export's own result never depends on that write.
    if (std::shared_ptr<SavedCopy> copy = ActiveSavedCopy(); copy && !ReadingSavedCopy())
      copy->Commit(walk_.TakeBatch(), std::time(nullptr));
    if (key.empty()) {
      ++counts_.months_done;
      Report();
    }
    return key;
  }

  void Report() {
    if (progress_) progress_->Report(counts_);
  }

 private:
  std::string FetchDive(const WalkDive& dive, LogBook& book) {
    WalkReply reply = walk_.Dive(dive.id, dive.list_row);
    if (!reply.ok()) {
      if (StopsWalk(reply.key)) return reply.key;
      book.skipped.push_back({dive.id, reply.key});
      ++counts_.dives_skipped;
    } else {
      book.dives.push_back(MakeExportDive(JsonMember(reply.response, "divelog")));
      // The record is the authority on its id; the list only pointed to it.
      if (book.dives.back().id.empty()) book.dives.back().id = dive.id;
      ++counts_.dives_done;
    }
    Report();
    return {};
  }

  ExportProgress* progress_;
  ExportCounts counts_;
  MonthWalk walk_;
};

}  // namespace

LogBook WalkLogBook(const MonthRange& range, ExportProgress* progress) {
  LogBook book;
  Walk walk(range, progress);
  walk.Report();
  int64_t year = range.from_year;
  int month = range.from_month;
  for (int64_t i = 0; i < range.Count(); ++i, StepMonth(year, month, 1)) {
    if (std::string key = walk.Month(year, month, book); !key.empty()) {
      book.key = key;
      return book;
    }
  }
  std::stable_sort(book.dives.begin(), book.dives.end(),
                   [](const ExportDive& a, const ExportDive& b) { return a.LocalStart() < b.LocalStart(); });
  return book;
}

}  // namespace orv
