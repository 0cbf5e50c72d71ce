// The calendar's month model without any page: which 42 dates the grid shows
// for a month, which of them hold dives by the service's month summary, and
// the class each cell gets. The calendar handler and `orvelle-cli month`
// both print from this.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <json/value.h>

#include "logbook/month_summary.h"
#include "values/civil_date.h"

namespace orv {

inline constexpr int kCalendarCells = 42;

inline constexpr const char* kClassShownMonth = "date_td";
inline constexpr const char* kClassOtherMonth = "date_td_in_month";
inline constexpr const char* kClassDiveDay = "date_td_in_dive_day btnctrl";

inline constexpr const char* kKindScuba = "scuba";  // gauge dives count as scuba here
inline constexpr const char* kKindFree = "free";
inline constexpr const char* kKindMixed = "mixed";

struct GridCell {
  CivilDate date;
  std::string cls;
  // Which kind of dives a dive day holds, so the page can tell them apart at
  // a glance; empty for days without dives.
  std::string kind;
  // The day's dives by kind, which name the day for screen readers.
  int32_t scuba_count = 0;
  int32_t free_count = 0;
};
using MonthGrid = std::array<GridCell, kCalendarCells>;

// The day number of cell 0: the 1st of the month minus its weekday (Sunday
// first), and a whole week earlier when the 1st is a Sunday, so the first row
// always shows days of the previous month.
int64_t FirstCellDay(int64_t year, int month);
// The 42 dates from FirstCellDay with their classes: the first summary entry
// of a date decides; a date with dives is marked whatever its month.
MonthGrid BuildMonthGrid(int64_t year, int month, const std::vector<MonthSummaryEntry>& summary);

}  // namespace orv
