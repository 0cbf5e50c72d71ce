// A dive log reply as the browsing screens read it: the day list rows, the
// statistics texts and the month grid, in both unit systems, plus the value
// texts of each logged dive's members. Any JSON the service sends must give
// sane texts, never "nan"/"inf", never a crash.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <json/value.h>

#include "app/app_state.h"
#include "browse/day_list.h"
#include "browse/month_grid.h"
#include "browse/statistics.h"
#include "cloud/json_read.h"
#include "cloud/reply_check.h"
#include "divelog/dive_values.h"
#include "fuzz_check.h"
#include "values/civil_date.h"
#include "values/months.h"
#include "values/units.h"

using namespace orv;

namespace {

bool IsNumberText(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-')) return false;
  return true;
}

bool IsDigits(const std::string& s, size_t from, size_t n) {
  if (s.size() < from + n) return false;
  for (size_t i = from; i < from + n; ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  return true;
}

void CheckRows(const Json::Value& response) {
  for (const DayRow& row : MakeDayRows(response)) {
    // "MM-DD HH:MM"
    const std::string& t = row.date_title;
    FUZZ_CHECK(t.size() == 11 && IsDigits(t, 0, 2) && t[2] == '-' && IsDigits(t, 3, 2) && t[5] == ' ' &&
               IsDigits(t, 6, 2) && t[8] == ':' && IsDigits(t, 9, 2));
    FUZZ_CHECK(IsNumberText(row.depth));
    FUZZ_CHECK(row.depth_unit == "m" || row.depth_unit == "ft");
    FUZZ_CHECK(row.picture.rfind("../images/", 0) == 0);
    FUZZ_CHECK(!row.time.empty());
  }
}

// 64-bit members as the day list reads them.
int64_t Int64Member(const Json::Value& dive, const char* name) {
  const Json::Value& v = JsonMember(dive, name);
  return v.isInt64() ? v.asInt64() : JsonInt(dive, name);
}

void CheckDiveValues(const Json::Value& dive) {
  const int64_t when = Int64Member(dive, "dive_datetime");
  const int64_t zone = Int64Member(dive, "timezone");
  // The local start is the exact difference, held at the ends of the range.
  const __int128 exact = static_cast<__int128>(when) - static_cast<__int128>(zone) * 60;
  const __int128 lo = std::numeric_limits<int64_t>::min(), hi = std::numeric_limits<int64_t>::max();
  FUZZ_CHECK(LocalStartSeconds(when, zone) == (exact < lo ? lo : exact > hi ? hi : exact));
  const CivilTime t = BreakDownUtc(LocalStartSeconds(when, zone));
  FUZZ_CHECK(t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour >= 0 && t.hour < 24 &&
             t.minute >= 0 && t.minute < 60 && t.second >= 0 && t.second < 60);
  FUZZ_CHECK(StartTimeText(when, zone).size() >= 16);
  (void)DurationText(JsonInt(dive, "dive_duration"));
  const float sac =
      SacRate(ReadDecimal(JsonText(dive, "average_depth")), JsonInt(dive, "dive_duration"), JsonInt(dive, "water_type"),
              JsonNumber(dive, "start_pressure"), JsonNumber(dive, "end_pressure"), JsonInt(dive, "cylinder_volume"));
  FUZZ_CHECK(std::isfinite(sac));
  FUZZ_CHECK(IsNumberText(DisplayUnits::AirConsumption(sac)));
  const float depth = DepthFromPressure(JsonNumber(dive, "surface_pressure"), JsonNumber(dive, "pressure"),
                                        JsonInt(dive, "water_type"));
  FUZZ_CHECK(!(depth < 0.0f));
  for (const char* name : {"max_depth", "water_temperature", "weight", "suit_thickness", "start_pressure"}) {
    const double v = ReadDecimal(JsonText(dive, name));
    FUZZ_CHECK(std::isfinite(v));
    FUZZ_CHECK(IsNumberText(DisplayUnits::Depth(v)) && IsNumberText(DisplayUnits::Temperature(v)) &&
               IsNumberText(DisplayUnits::Weight(v)) && IsNumberText(DisplayUnits::Pressure(v)) &&
               IsNumberText(DisplayUnits::SuitThickness(v)));
  }
  const ConditionScale scales[] = {ConditionScale::Weather, ConditionScale::Waves, ConditionScale::Current,
                                   ConditionScale::Visibility};
  for (ConditionScale scale : scales) FUZZ_CHECK(!ConditionKey(scale, JsonInt(dive, "weather")).empty());
}

void CheckStatistics(const Json::Value& response) {
  const DiveTotals totals = TotalsFromResponse(response);
  for (const auto& [id, text] : MakeStatisticsTexts(totals)) {
    FUZZ_CHECK(!id.empty() && !text.empty());
    FUZZ_CHECK(text.find("nan") == std::string::npos && text.find("inf") == std::string::npos);
  }
}

void CheckMonth(const Json::Value& response) {
  const std::vector<MonthSummaryEntry> summary = ParseMonthSummary(response);
  // The months the reply names, plus one fixed month, each built as a grid.
  std::vector<std::pair<int64_t, int>> months = {{2020, 9}};
  for (const auto& e : summary) {
    FUZZ_CHECK(e.date >= -1 && e.date <= 99999999);
    if (e.date >= 0 && months.size() < 4) months.emplace_back(e.date / 10000, int(e.date / 100 % 100 % 12) + 1);
  }
  for (auto [year, month] : months) {
    const MonthGrid grid = BuildMonthGrid(year, month, summary);
    FUZZ_CHECK(WeekdayFromDays(DaysFromCivil(grid[0].date)) == 0);
    for (int i = 0; i < kCalendarCells; ++i) {
      const GridCell& c = grid[i];
      FUZZ_CHECK(c.cls == kClassShownMonth || c.cls == kClassOtherMonth || c.cls == kClassDiveDay);
      if (i > 0) FUZZ_CHECK(DaysFromCivil(c.date) == DaysFromCivil(grid[i - 1].date) + 1);
    }
    FUZZ_CHECK(MonthLabel(year, month).size() >= 7);
    int64_t y = year;
    int m = month;
    StepMonth(y, m, 1);
    StepMonth(y, m, -1);
    FUZZ_CHECK(y == year && m == month);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Json::Value root;
  if (!ParseReply(fuzz::AsText(data, size), root)) return 0;
  // A full envelope is read through its `response`; a bare object is taken
  // as the response itself, so the fuzzer need not learn the envelope.
  const Json::Value& envelope = JsonMember(root, "response");
  const Json::Value& response = envelope.isObject() ? envelope : root;
  const int32_t saved_unit = State().unit;
  for (int32_t unit : {0, 1}) {
    State().unit = unit;
    CheckRows(response);
    CheckStatistics(response);
    const Json::Value& list = JsonMember(response, "divelogs");
    if (list.isArray()) {
      int budget = 16;
      for (const Json::Value& dive : list)
        if (budget-- > 0) CheckDiveValues(dive);
    }
  }
  State().unit = saved_unit;
  CheckMonth(response);
  return 0;
}
