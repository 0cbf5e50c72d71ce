#include "browse/month_grid.h"

#include "cloud/json_read.h"

namespace orv {

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

}  // namespace orv
