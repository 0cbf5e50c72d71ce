// Which saved dives a list or a statistic covers, and in what order the
// list shows them.
//
// API (used by orvelle-cli `list` and `stats --by`, and by the Dives tab):
//   DiveFilter      text on site or region (case-insensitive, Latin and CJK,
//                   NFKC-folded), local start day range (inclusive), mode,
//                   max-depth range (m), duration range (s); unset = any.
//   DiveOrder       the column and `reverse`; each column's own order is
//                   largest first (newest, deepest, longest, warmest, most
//                   air), site and mode A to Z; dives without air use come
//                   last either way, ties newest first.
//   ParseDay        "YYYY-MM-DD" of a day that exists, as a day number.
//   CheckFilter     the first value in a filter that cannot be meant.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "logbook/dive_figures.h"
#include "logbook/saved_copy.h"

namespace orv {

struct DiveFilter {
  std::string text;                         // part of the site or region name
  std::optional<int64_t> from_day, to_day;  // days since 1970-01-01, local start
  std::optional<DiveType> mode;
  std::optional<double> min_depth_m, max_depth_m;
  std::optional<int64_t> min_duration_s, max_duration_s;
};

enum class DiveColumn { Date, Site, Mode, Depth, Duration, Temp, Air };
struct DiveOrder {
  DiveColumn column = DiveColumn::Date;
  bool reverse = false;
};

// "date", "site", "mode", "depth", "duration", "temp", "air".
std::optional<DiveColumn> ParseDiveColumn(const std::string& name);
// "scuba", "free" (also "freedive"), "gauge".
std::optional<DiveType> ParseDiveMode(const std::string& name);
// A calendar day that exists ("2023-02-29" does not).
std::optional<int64_t> ParseDay(const std::string& text);

// What is wrong with `filter`, named for the diver ("--from after --to"
// style texts are the caller's; this says which pair): empty when it can be
// meant. A range whose start lies after its end, or a negative bound.
enum class FilterFault { None, DaysReversed, DepthsReversed, DurationsReversed, Negative };
FilterFault CheckFilter(const DiveFilter& filter);

// The SQL condition (starting "WHERE", or empty) and its arguments, over the
// summary columns.
struct SqlCondition {
  std::string where;
  std::vector<SavedCopy::SqlArgument> arguments;
};
SqlCondition ConditionOf(const DiveFilter& filter);
// "ORDER BY ..." for `order`.
std::string OrderByOf(const DiveOrder& order);

}  // namespace orv
