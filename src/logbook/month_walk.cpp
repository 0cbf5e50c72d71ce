#include "logbook/month_walk.h"

#include <ctime>
#include <map>
#include <set>
#include <utility>

#include "app/message_keys.h"
#include "cloud/endpoints.h"
#include "cloud/json_read.h"
#include "logbook/data_source.h"
#include "logbook/month_summary.h"
#include "logbook/write_through.h"

namespace orv {

namespace {

int64_t ListedDives(const Json::Value& day_response) {
  const Json::Value& list = JsonMember(day_response, "divelogs");
  return list.isArray() ? static_cast<int64_t>(list.size()) : -1;
}

}  // namespace

std::map<int64_t, int64_t> DiveDays(const Json::Value& summary, int64_t year, int month, int64_t& count) {
  std::map<int64_t, int64_t> days;
  count = 0;
  for (const MonthSummaryEntry& e : ParseMonthSummary(summary)) {
    if (e.date < 0 || e.date / 100 != year * 100 + month) continue;
    const int64_t n = static_cast<int64_t>(e.scuba_count) + e.free_count;
    if (n <= 0) continue;
    count += n;
    days.emplace(e.date, n);
  }
  return days;
}

std::optional<Json::Value> StillSavedDay(const SavedCopy* copy, const Endpoint& day, int64_t dives) {
  std::optional<std::string> saved = copy && day.saved ? copy->Read(*day.saved) : std::nullopt;
  Json::Value response;
  if (saved && ParseReply(*saved, response) && ListedDives(response) == dives) return response;
  return std::nullopt;
}

void AddListedDives(const Json::Value& day_response, std::set<std::string>& seen, std::vector<WalkDive>& dives) {
  const Json::Value& list = JsonMember(day_response, "divelogs");
  if (!list.isArray()) return;
  for (const Json::Value& row : list) {
    std::string id = JsonText(row, "divelog_id");
    if (id.empty() || !seen.insert(id).second) continue;
    dives.push_back({std::move(id), CompactJson(row)});
  }
}

MonthWalk::MonthWalk(bool yield_to_diver) : yield_(yield_to_diver) {}

Reply MonthWalk::Get(const Endpoint& endpoint, bool detail, const std::string& list_row) {
  SourceRequest how;
  how.kind = detail ? CallKind::DiveLogDetail : CallKind::Standard;
  how.diver = false;
  how.yield = yield_;
  how.batch = &batch_;
  how.list_row = list_row;
  SourceReply asked = AskSource(endpoint, RequestOn(http_), how);
  if (!asked.ok()) return asked.failure;
  // Moved, not copied: a dive record with a long profile is a large tree.
  return Reply(std::move(asked.value));
}

Failure MonthWalk::Month(int64_t year, int month, std::vector<WalkDive>& dives, int64_t* dive_count,
                         bool reuse_saved_days) {
  Reply summary = Get(CalendarMonthEndpoint(static_cast<int>(year), month), false);
  if (!summary.ok()) return summary.failure();
  int64_t count = 0;
  const std::map<int64_t, int64_t> days = DiveDays(*summary, year, month, count);
  if (dive_count) *dive_count = count;
  std::shared_ptr<SavedCopy> copy = reuse_saved_days ? ActiveSavedCopy() : nullptr;
  for (const auto& [date, dives_that_day] : days) {
    const Endpoint day_endpoint = CalendarDateEndpoint(static_cast<int>(year), month, static_cast<int>(date % 100));
    std::optional<Json::Value> response = StillSavedDay(copy.get(), day_endpoint, dives_that_day);
    if (!response) {
      Reply day = Get(day_endpoint, false);
      if (!day.ok()) return day.failure();
      response = std::move(*day);
    }
    AddListedDives(*response, seen_, dives);
  }
  return {};
}

Reply MonthWalk::Dive(const std::string& id, const std::string& list_row) {
  return Get(DiveLogEndpoint(id), true, list_row);
}

Reply MonthWalk::Statistics(const std::string& user_id) { return Get(StatisticsEndpoint(user_id), false); }

SavedBatch MonthWalk::TakeBatch() { return std::exchange(batch_, {}); }

}  // namespace orv
