#include "export/log_book_walk.h"

#include <algorithm>
#include <set>

#include "browse/browse_service.h"
#include "browse/day_list.h"
#include "browse/month_grid.h"
#include "cloud/http_post.h"

namespace orv {

int64_t MonthRange::Count() const {
  const int64_t n = (to_year * 12 + to_month) - (from_year * 12 + from_month) + 1;
  return n > 0 ? n : 0;
}

bool ParseMonthLabel(const std::string& text, int64_t& year, int& month) {
  if (text.size() != 7 || text[4] != '-') return false;
  int64_t digits = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (i == 4) continue;
    if (text[i] < '0' || text[i] > '9') return false;
    digits = digits * 10 + (text[i] - '0');
  }
  if (digits % 100 < 1 || digits % 100 > 12) return false;
  year = digits / 100;
  month = static_cast<int>(digits % 100);
  return true;
}

MonthRange LastTwelveMonths() {
  MonthRange range;
  CurrentLocalMonth(range.to_year, range.to_month);
  range.from_year = range.to_year;
  range.from_month = range.to_month;
  StepMonth(range.from_year, range.from_month, -11);
  return range;
}

namespace {

// The walk runs behind a progress display, often on a worker thread: a
// failure is returned, never shown in a dialog from here.
class QuietNotifier : public Notifier {
 public:
  void ShowMessage(const MessageKey&) override {}
};

bool ServiceUnreachable(const std::string& key) { return key == "HOST_NOT_CONN" || key == "NO_INTERNET"; }

class Walk {
 public:
  Walk(const MonthRange& range, ExportProgress* progress) : progress_(progress) {
    counts_.months_total = range.Count();
    http_.Connect();
    context_.notifier = &notifier_;
    context_.request = [this](const Endpoint& e) -> std::optional<std::string> {
      if (!http_.connected()) return std::nullopt;
      return Send(http_, e).body;
    };
  }

  // The dive ids listed for the dive days of one month, in date order.
  std::string MonthIds(int64_t year, int month, std::vector<std::string>& ids) {
    BrowseReply reply = RequestChecked(context_, CalendarMonthEndpoint(static_cast<int>(year), month));
    if (!reply.ok()) return reply.key;
    std::set<int64_t> days;  // a service listing a date twice, or out of order, asks once per day
    for (const MonthSummaryEntry& e : ParseMonthSummary(reply.response)) {
      if (e.date < 0 || e.date / 100 != year * 100 + month) continue;
      if (static_cast<int64_t>(e.scuba_count) + e.free_count <= 0) continue;
      days.insert(e.date);
    }
    for (int64_t date : days) {
      BrowseReply day = RequestChecked(
          context_, CalendarDateEndpoint(static_cast<int>(year), month, static_cast<int>(date % 100)));
      if (!day.ok()) return day.key;
      for (const DayRow& row : MakeDayRows(day.response)) ids.push_back(row.id);
    }
    return {};
  }

  // Fetches one record; false when the walk must stop.
  bool FetchDive(const std::string& id, LogBook& book) {
    if (id.empty() || !seen_.insert(id).second) return true;
    std::string key;
    std::optional<DiveLog> log = FetchDiveLog(http_, id, nullptr, &key);
    if (!log) {
      // One record that cannot be read (an error page, a refused or
      // malformed reply, a time-out) costs that dive only. The same
      // unanswered request for several dives in a row is the service
      // itself gone, and naming every remaining dive would hide that.
      unreachable_in_row_ = ServiceUnreachable(key) ? unreachable_in_row_ + 1 : 0;
      book.skipped.push_back({id, key});
      ++counts_.dives_skipped;
      if (unreachable_in_row_ >= kUnreachableInRow) {
        book.key = key;
        return false;
      }
    } else {
      unreachable_in_row_ = 0;
      book.dives.push_back(MakeExportDive(*log));
      // The record is the authority on its id; the list only pointed to it.
      if (book.dives.back().id.empty()) book.dives.back().id = id;
      ++counts_.dives_done;
    }
    Report();
    return true;
  }

  void MonthDone() {
    ++counts_.months_done;
    Report();
  }

  void Report() {
    if (progress_) progress_->Report(counts_);
  }

  bool Cancelled() const { return progress_ && progress_->Cancelled(); }

 private:
  ExportProgress* progress_;
  ExportCounts counts_;
  HttpPost http_;
  QuietNotifier notifier_;
  BrowseContext context_;
  std::set<std::string> seen_;
  static constexpr int kUnreachableInRow = 3;
  int unreachable_in_row_ = 0;
};

}  // namespace

LogBook WalkLogBook(const MonthRange& range, ExportProgress* progress) {
  LogBook book;
  Walk walk(range, progress);
  walk.Report();
  int64_t year = range.from_year;
  int month = range.from_month;
  for (int64_t i = 0; i < range.Count(); ++i, StepMonth(year, month, 1)) {
    // A request cut off by Cancel fails like a lost connection; the
    // diver's stop is looked at first, so it is never reported as one.
    auto cancelled = [&] {
      if (walk.Cancelled()) book = LogBook{.cancelled = true};
      return book.cancelled;
    };
    std::vector<std::string> ids;
    std::string key = walk.MonthIds(year, month, ids);
    if (cancelled()) return book;
    if (!key.empty()) {
      book.key = key;
      return book;
    }
    for (const std::string& id : ids) {
      const bool go_on = walk.FetchDive(id, book);
      if (cancelled() || !go_on) return book;
    }
    walk.MonthDone();
  }
  std::stable_sort(book.dives.begin(), book.dives.end(),
                   [](const ExportDive& a, const ExportDive& b) { return a.LocalStart() < b.LocalStart(); });
  return book;
}

}  // namespace orv
