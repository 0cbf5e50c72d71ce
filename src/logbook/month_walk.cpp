#include "logbook/month_walk.h"

#include <ctime>
#include <map>
#include <set>
#include <utility>

#include "app/message_keys.h"
#include "cloud/endpoints.h"
#include "cloud/json_read.h"
#include "cloud/reply_check.h"
#include "logbook/month_summary.h"
#include "logbook/write_through.h"

namespace orv {

namespace {

int64_t ListedDives(const Json::Value& day_response) {
  const Json::Value& list = JsonMember(day_response, "divelogs");
  return list.isArray() ? static_cast<int64_t>(list.size()) : -1;
}

}  // namespace

MonthWalk::MonthWalk(bool yield_to_diver) : yield_(yield_to_diver) {
  if (!ReadingSavedCopy()) connected_ = http_.Connect();
}

Reply MonthWalk::Get(const Endpoint& endpoint, bool detail, const std::string& list_row) {
  const CallKind kind = detail ? CallKind::DiveLogDetail : CallKind::Standard;
  if (ReadingSavedCopy()) {
    Result<std::string> saved = SavedReply(endpoint);
    return saved ? ReplyCheck(*saved, kind) : Reply(saved.failure());
  }
  if (!connected_) return ConnectFailure(kind);
  if (yield_) WaitForDiverRequests();
  Reply reply = ReplyCheck(Send(http_, endpoint), kind);
  if (!reply.ok()) return reply;
  if (std::optional<SavedWrite> write = WriteOf(endpoint, *reply)) {
    write->list_row = list_row;
    batch_.push_back(std::move(*write));
  }
  return reply;
}

Failure MonthWalk::Month(int64_t year, int month, std::vector<WalkDive>& dives, int64_t* dive_count,
                         bool reuse_saved_days) {
  const Endpoint month_endpoint = CalendarMonthEndpoint(static_cast<int>(year), month);
  Reply summary = Get(month_endpoint, false);
  if (!summary.ok()) return summary.failure();
  // Date -> its dives. A service listing a date twice, or out of order, is
  // asked once per day.
  std::map<int64_t, int64_t> days;
  int64_t count = 0;
  for (const MonthSummaryEntry& e : ParseMonthSummary(*summary)) {
    if (e.date < 0 || e.date / 100 != year * 100 + month) continue;
    const int64_t n = static_cast<int64_t>(e.scuba_count) + e.free_count;
    if (n <= 0) continue;
    count += n;
    days.emplace(e.date, n);
  }
  if (dive_count) *dive_count = count;
  std::shared_ptr<SavedCopy> copy = ActiveSavedCopy();
  for (const auto& [date, dives_that_day] : days) {
    const Endpoint day_endpoint = CalendarDateEndpoint(static_cast<int>(year), month, static_cast<int>(date % 100));
    std::optional<std::string> saved_day;
    if (reuse_saved_days && copy) saved_day = copy->Read(*SavedItemOf(day_endpoint));
    Json::Value response;
    // A saved list holding another number of dives than the summary counts
    // for its day is stale (a dive uploaded or removed since, perhaps after
    // the month itself was saved again by the calendar): asked again.
    if (saved_day && ParseReply(*saved_day, response) && ListedDives(response) == dives_that_day) {
      // The day list saved before still holds.
    } else {
      Reply day = Get(day_endpoint, false);
      if (!day.ok()) return day.failure();
      response = std::move(*day);
    }
    const Json::Value& list = JsonMember(response, "divelogs");
    if (!list.isArray()) continue;
    for (const Json::Value& row : list) {
      const std::string id = JsonText(row, "divelog_id");
      if (id.empty() || !seen_.insert(id).second) continue;
      dives.push_back({id, CompactJson(row)});
    }
  }
  return {};
}

Reply MonthWalk::Dive(const std::string& id, const std::string& list_row) {
  Reply reply = Get(DiveLogEndpoint(id), true, list_row);
  // A record the reply does not carry is one the service refused.
  if (reply.ok() && !JsonMember(*reply, "divelog").isObject()) reply = Msg::DataError;
  return reply;
}

Reply MonthWalk::Statistics(const std::string& user_id) { return Get(StatisticsEndpoint(user_id), false); }

SavedBatch MonthWalk::TakeBatch() { return std::exchange(batch_, {}); }

}  // namespace orv
