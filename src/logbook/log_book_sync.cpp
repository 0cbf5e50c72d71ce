#include "logbook/log_book_sync.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "app/cancellable.h"
#include "app/message_keys.h"
#include "cloud/json_read.h"
#include "cloud/request_pool.h"
#include "logbook/data_source.h"
#include "logbook/month_walk.h"
#include "logbook/write_through.h"
#include "values/months.h"

namespace orv {

namespace {

// Months asked for ahead of the one next to be committed, at most: what
// waits for its commit stays small whatever the size of the log book.
constexpr size_t kMonthsAhead = 24;
// How often a save that gives way to the diver looks again.
constexpr int kYieldPollMs = 20;

enum class Ask { Month, Day, Dive };

struct Request {
  Ask ask = Ask::Month;
  Endpoint endpoint;
  std::string list_row;  // a dive: the day-list row it is fetched for
};

// One month of the walk, from its summary to its commit.
struct MonthJob {
  int64_t year = 0;
  int month = 1;
  bool summary_known = false;
  int64_t count = 0;  // the summary's scuba and freedive dives
  std::deque<Request> waiting;
  int in_flight = 0;
  SavedBatch batch;
  SyncCounts counts;
  Failure failure;  // what ends the sync with this month
  bool Done() const { return failure.failed() || (summary_known && waiting.empty() && in_flight == 0); }
};

// The walk of SyncLogBook with up to RequestPool::kMaxWidth requests in
// flight: the months are asked for ahead (only those the walk one request at
// a time would ask for too), their day lists and records side by side, and
// each month is committed whole, in the walk's order, once all of it arrived.
class Sync {
 public:
  Sync(const SyncOptions& options, SyncProgress* progress, std::shared_ptr<SavedCopy> copy)
      : options_(options), progress_(progress), copy_(std::move(copy)), pool_(RequestPool::kMaxWidth, options.stop) {
    CurrentLocalMonth(next_year_, next_month_);
  }

  Failure Run() {
    if (Failure failure = Statistics()) return failure;
    for (;;) {
      if (pool_.Stopping()) return Stop();
      Failure failure;
      if (CommitDone(failure)) return failure;
      OpenMonths();
      Fill();
      if (pool_.in_flight() == 0) {
        // Nothing sent: the diver's own request goes first, and the save
        // waits for it to end (or for its own stop), not on a timer.
        if (DiverRequestRunning())
          WaitForDiverRequests();
        else
          std::this_thread::sleep_for(std::chrono::milliseconds(kYieldPollMs));
        continue;
      }
      for (RequestPool::Done& done : pool_.Wait(options_.yield_to_diver ? kYieldPollMs : 1000)) Take(done);
    }
  }

  const SyncCounts& counts() const { return counts_; }
  bool Stopping() const { return pool_.Stopping(); }

 private:
  // The statistics first, on their own: their count tells the walk where
  // the log book ends.
  Failure Statistics() {
    const Endpoint endpoint = StatisticsEndpoint(State().user_id);
    for (bool sent = false;;) {
      if (pool_.Stopping()) return Msg::SyncStopped;
      if (!sent && !(options_.yield_to_diver && DiverRequestRunning())) {
        if (!pool_.Start(0, endpoint)) return ConnectFailure(CallKind::Standard);
        sent = true;
      }
      if (!sent) {
        WaitForDiverRequests();
        continue;
      }
      for (RequestPool::Done& done : pool_.Wait(1000)) {
        if (done.result.outcome == TransferOutcome::Stopped) return Msg::SyncStopped;
        SavedBatch batch;
        SourceRequest how;
        how.diver = false;
        how.batch = &batch;
        SourceReply reply = TakeReply(endpoint, done.result.body, how);
        if (!reply.ok()) return reply.failure;
        target_ = static_cast<int64_t>(JsonInt(reply.response(), "scuba_mode_count")) +
                  JsonInt(reply.response(), "freedive_mode_count");
        return copy_->Commit(batch, std::time(nullptr));
      }
    }
  }

  // Whether the walk certainly goes on after the last month opened. It ends
  // after a month that closes a run of kSyncEmptyMonths empty months once
  // the months before that run hold the statistics' count. A month whose
  // summary has not arrived yet may be empty or hold any number of dives,
  // so no month is asked for that the walk one request at a time would not
  // ask for.
  bool NextMonthCertain() const {
    const int64_t last = MonthIndex(next_year_, next_month_);
    if (options_.has_from) return last > MonthIndex(options_.from_year, options_.from_month);
    if (last <= MonthIndex(kSyncFloorYear, 1)) return false;
    // All opened months committed: the last of them decides.
    if (months_.empty()) return !(found_ >= target_ && empty_run_ >= kSyncEmptyMonths);
    int run = empty_run_;  // months that are or may be empty, up to here
    for (size_t j = 0; j < months_.size(); ++j) {
      const MonthJob& job = months_[j];
      run = job.summary_known && job.count ? 0 : run + 1;
      if (run < kSyncEmptyMonths) continue;
      // What the months before the last kSyncEmptyMonths hold, at least.
      int64_t found = found_;
      bool any = false;
      for (size_t i = 0; i + kSyncEmptyMonths <= j; ++i) {
        any = any || !months_[i].summary_known;
        found += months_[i].count;
      }
      if (any || found >= target_) return false;
    }
    return true;
  }

  void OpenMonths() {
    for (const MonthJob& job : months_)
      if (job.failure) return;
    while (months_.size() < kMonthsAhead && (!opened_any_ || NextMonthCertain())) {
      if (opened_any_) StepMonth(next_year_, next_month_, -1);
      opened_any_ = true;
      MonthJob job;
      job.year = next_year_;
      job.month = next_month_;
      job.waiting.push_back({Ask::Month, CalendarMonthEndpoint(static_cast<int>(next_year_), next_month_), {}});
      months_.push_back(std::move(job));
    }
  }

  // Commits the months at the front that are done; true when the sync ends
  // (`failure` says why: none when the walk is over).
  bool CommitDone(Failure& failure) {
    while (!months_.empty() && months_.front().Done()) {
      MonthJob& job = months_.front();
      if (Failure write = Commit(job)) return failure = write, true;
      if (job.failure) return failure = job.failure, true;
      found_ += job.count;
      empty_run_ = job.count ? 0 : empty_run_ + 1;
      months_.pop_front();
      ++committed_;
      // Every month opened is in: whether the walk goes on is known.
      if (months_.empty() && !NextMonthCertain()) return failure = {}, true;
    }
    return false;
  }

  // Commits what arrived for `job` (a month that failed or was stopped
  // keeps what arrived: the next sync asks only for what is still missing).
  Failure Commit(MonthJob& job) {
    Failure failure = copy_->Commit(job.batch, std::time(nullptr));
    job.batch.clear();
    ++counts_.months;
    counts_.dives_listed += job.counts.dives_listed;
    counts_.dives_fetched += job.counts.dives_fetched;
    counts_.dives_skipped += job.counts.dives_skipped;
    job.counts = {};
    if (progress_) progress_->Report(counts_);
    return failure;
  }

  Failure Stop() {
    pool_.Abandon();
    if (!months_.empty()) {
      if (Failure failure = Commit(months_.front())) return failure;
    }
    return Msg::SyncStopped;
  }

  // Sends what waits, summaries first (they open the most work), then day
  // lists, then records, each in the walk's order; never past a failed month.
  void Fill() {
    if (options_.yield_to_diver && DiverRequestRunning()) return;
    for (Ask ask : {Ask::Month, Ask::Day, Ask::Dive})
      for (size_t i = 0; i < months_.size() && !pool_.full(); ++i) {
        MonthJob& job = months_[i];
        while (!pool_.full() && !job.waiting.empty() && job.waiting.front().ask == ask) Send(i, job);
        if (job.failure) break;
      }
  }

  void Send(size_t index, MonthJob& job) {
    const uint64_t tag = next_tag_++;
    Request request = std::move(job.waiting.front());
    job.waiting.pop_front();
    if (!pool_.Start(tag, request.endpoint)) {
      job.failure = Msg::HostNotConn;
      return;
    }
    ++job.in_flight;
    sent_.emplace(tag, Sent{committed_ + index, std::move(request)});
  }

  void Take(RequestPool::Done& done) {
    auto it = sent_.find(done.tag);
    if (it == sent_.end()) return;
    Sent sent = std::move(it->second);
    sent_.erase(it);
    MonthJob& job = months_[sent.month - committed_];
    --job.in_flight;
    if (job.failure || done.result.outcome == TransferOutcome::Stopped) return;
    const Request& request = sent.request;
    SourceRequest how(request.ask == Ask::Dive ? CallKind::DiveLogDetail : CallKind::Standard);
    how.diver = false;
    how.batch = &job.batch;
    how.list_row = request.list_row;
    SourceReply reply = TakeReply(request.endpoint, done.result.body, how);
    if (request.ask == Ask::Dive) {
      if (reply.ok())
        ++job.counts.dives_fetched;
      else if (reply.failure.unreachable())
        Fail(job, reply.failure);
      else
        ++job.counts.dives_skipped;
      return;
    }
    if (!reply.ok()) return Fail(job, reply.failure);
    if (request.ask == Ask::Day) return List(job, reply.response());
    job.summary_known = true;
    const std::map<int64_t, int64_t> days = DiveDays(reply.response(), job.year, job.month, job.count);
    for (const auto& [date, dives_that_day] : days) {
      Endpoint day = CalendarDateEndpoint(static_cast<int>(job.year), job.month, static_cast<int>(date % 100));
      if (std::optional<Json::Value> saved =
              options_.full ? std::nullopt : StillSavedDay(copy_.get(), day, dives_that_day))
        List(job, *saved);
      else
        job.waiting.push_back({Ask::Day, std::move(day), {}});
    }
  }

  // A day's listed dives: each record asked for unless saved for the same row.
  void List(MonthJob& job, const Json::Value& day) {
    std::vector<WalkDive> dives;
    AddListedDives(day, seen_, dives);
    job.counts.dives_listed += static_cast<int64_t>(dives.size());
    for (WalkDive& d : dives) {
      if (!options_.full && copy_->ListRowOf(d.id) == d.list_row) continue;
      job.waiting.push_back({Ask::Dive, DiveLogEndpoint(d.id), std::move(d.list_row)});
    }
  }

  static void Fail(MonthJob& job, const Failure& failure) {
    job.failure = failure;
    job.waiting.clear();
  }

  struct Sent {
    size_t month;  // walk position of its month
    Request request;
  };

  const SyncOptions& options_;
  SyncProgress* progress_;
  std::shared_ptr<SavedCopy> copy_;
  RequestPool pool_;
  std::deque<MonthJob> months_;  // from the next to be committed on
  size_t committed_ = 0;         // months committed and gone
  std::map<uint64_t, Sent> sent_;
  uint64_t next_tag_ = 1;
  std::set<std::string> seen_;
  bool opened_any_ = false;
  int64_t target_ = 0, found_ = 0;
  int empty_run_ = 0;
  int64_t next_year_ = 0;
  int next_month_ = 1;
  SyncCounts counts_;
};

}  // namespace

SyncResult SyncLogBook(const SyncOptions& options, SyncProgress* progress) {
  std::shared_ptr<SavedCopy> copy = ActiveSavedCopy();
  if (!copy || ReadingSavedCopy()) return {Msg::SavedCopyWrite, {}};
  // Every request and wait of the walk belongs to the sync's own operation.
  std::optional<Cancellable::CurrentScope> operation;
  if (options.stop) operation.emplace(*options.stop);
  Sync sync(options, progress, copy);
  SyncResult result;
  result.failure = sync.Run();
  // A request cut off by the stop fails like a lost connection; the stop is
  // what ended it.
  if (result.failure && sync.Stopping()) result.failure = Msg::SyncStopped;
  // The opening reads no more than the header; the sync is where a damaged
  // page is looked for, with the service at hand to fill a fresh copy.
  if (!result.failure) result.failure = copy->CheckWhole();
  result.counts = sync.counts();
  return result;
}

}  // namespace orv
