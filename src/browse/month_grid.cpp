#include "browse/month_grid.h"

#include <ctime>

#include "cloud/json_read.h"
#include "divelog/value_text.h"

namespace orv {

int64_t SummaryDate(const std::string& text) {
  // Only a plain YYYYMMDD names a day. Reading leading digits alone would let
  // "20200921T..." or a seven-digit text land on some cell by accident.
  if (text.size() != 8) return -1;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::vector<MonthSummaryEntry> ParseMonthSummary(const Json::Value& response) {
  std::vector<MonthSummaryEntry> entries;
  const Json::Value& list = JsonMember(response, "month_summary");
  if (!list.isArray()) return entries;
  entries.reserve(list.size());
  for (const Json::Value& item : list) {
    MonthSummaryEntry e;
    e.date = SummaryDate(JsonText(item, "year_month_date"));
    e.scuba_count = JsonInt(item, "scuba_count");
    e.free_count = JsonInt(item, "free_count");
    entries.push_back(e);
  }
  return entries;
}

int64_t FirstCellDay(int64_t year, int month) {
  const int64_t first = DaysFromCivil(year, month, 1);
  const int w = WeekdayFromDays(first);
  return first - (w == 0 ? 7 : w);
}

namespace {

// The entry deciding a date (the first one for it) when it holds dives.
const MonthSummaryEntry* DiveEntry(const std::vector<MonthSummaryEntry>& summary, const CivilDate& date) {
  if (date.year < 0 || date.year > 9999) return nullptr;  // no eight-digit form
  const int64_t key = date.year * 10000 + date.month * 100 + date.day;
  for (const auto& e : summary) {
    if (e.date != key) continue;
    // Only the first entry of a date decides; the sum is taken wide so two
    // huge counts cannot wrap to zero.
    return static_cast<int64_t>(e.scuba_count) + e.free_count != 0 ? &e : nullptr;
  }
  return nullptr;
}

std::string KindOf(const MonthSummaryEntry& e) {
  if (e.free_count > 0) return e.scuba_count > 0 ? kKindMixed : kKindFree;
  return kKindScuba;
}

}  // namespace

MonthGrid BuildMonthGrid(int64_t year, int month, const std::vector<MonthSummaryEntry>& summary) {
  MonthGrid grid;
  const int64_t first = FirstCellDay(year, month);
  for (int i = 0; i < kCalendarCells; ++i) {
    GridCell& cell = grid[i];
    cell.date = CivilFromDays(first + i);
    if (const MonthSummaryEntry* dives = DiveEntry(summary, cell.date)) {
      cell.cls = kClassDiveDay;
      cell.kind = KindOf(*dives);
      cell.scuba_count = dives->scuba_count;
      cell.free_count = dives->free_count;
    } else if (cell.date.year == year && cell.date.month == month) {
      cell.cls = kClassShownMonth;
    } else {
      cell.cls = kClassOtherMonth;
    }
  }
  return grid;
}

std::string MonthLabel(int64_t year, int month) { return PaddedInt(year, 4) + "-" + PaddedInt(month, 2); }

void StepMonth(int64_t& year, int& month, int delta) {
  int64_t index = year * 12 + (month - 1) + delta;
  year = FloorDiv(index, 12);
  month = static_cast<int>(index - year * 12) + 1;
}

void CurrentLocalMonth(int64_t& year, int& month) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  year = local.tm_year + 1900;
  month = local.tm_mon + 1;
}

}  // namespace orv
