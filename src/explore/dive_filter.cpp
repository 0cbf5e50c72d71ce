#include "explore/dive_filter.h"

#include "logbook/dive_summary.h"
#include "values/civil_date.h"

namespace orv {

std::optional<DiveColumn> ParseDiveColumn(const std::string& name) {
  static const std::pair<const char*, DiveColumn> kNames[] = {
      {"date", DiveColumn::Date},   {"site", DiveColumn::Site},         {"mode", DiveColumn::Mode},
      {"depth", DiveColumn::Depth}, {"duration", DiveColumn::Duration}, {"temp", DiveColumn::Temp},
      {"air", DiveColumn::Air}};
  for (const auto& [text, column] : kNames)
    if (name == text) return column;
  return std::nullopt;
}

std::optional<DiveType> ParseDiveMode(const std::string& name) {
  if (name == "scuba") return DiveType::Scuba;
  if (name == "free" || name == "freedive") return DiveType::Free;
  if (name == "gauge") return DiveType::Gauge;
  return std::nullopt;
}

std::optional<int64_t> ParseDay(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  int fields[3] = {0, 0, 0};
  const size_t starts[3] = {0, 5, 8}, lengths[3] = {4, 2, 2};
  for (int f = 0; f < 3; ++f)
    for (size_t i = starts[f]; i < starts[f] + lengths[f]; ++i) {
      if (text[i] < '0' || text[i] > '9') return std::nullopt;
      fields[f] = fields[f] * 10 + (text[i] - '0');
    }
  if (fields[1] < 1 || fields[1] > 12 || fields[2] < 1) return std::nullopt;
  const int64_t days = DaysFromCivil(fields[0], fields[1], fields[2]);
  // A day past the month's end would roll over into the next month.
  if (CivilFromDays(days).month != fields[1]) return std::nullopt;
  return days;
}

FilterFault CheckFilter(const DiveFilter& f) {
  auto negative = [](const auto& v) { return v && *v < 0; };
  if (negative(f.min_depth_m) || negative(f.max_depth_m) || negative(f.min_duration_s) || negative(f.max_duration_s))
    return FilterFault::Negative;
  auto reversed = [](const auto& lo, const auto& hi) { return lo && hi && *lo > *hi; };
  if (reversed(f.from_day, f.to_day)) return FilterFault::DaysReversed;
  if (reversed(f.min_depth_m, f.max_depth_m)) return FilterFault::DepthsReversed;
  if (reversed(f.min_duration_s, f.max_duration_s)) return FilterFault::DurationsReversed;
  return FilterFault::None;
}

SqlCondition ConditionOf(const DiveFilter& f) {
  SqlCondition c;
  std::string terms;
  auto add = [&](const std::string& term, SavedCopy::SqlArgument argument, const char* close = "") {
    c.arguments.push_back(std::move(argument));
    terms += (terms.empty() ? "" : " AND ") + term + std::to_string(c.arguments.size()) + close;
  };
  // instr, not LIKE: the diver's % and _ are letters like any other.
  if (!f.text.empty()) add("instr(search_text, ?", FoldForSearch(f.text), ") > 0");
  constexpr int64_t kDay = 86400;
  if (f.from_day) add("local_start >= ?", *f.from_day * kDay);
  if (f.to_day) add("local_start < ?", (*f.to_day + 1) * kDay);
  if (f.mode) add("mode = ?", std::string(DiveTypeName(*f.mode)));
  if (f.min_depth_m) add("max_depth_m >= ?", *f.min_depth_m);
  if (f.max_depth_m) add("max_depth_m <= ?", *f.max_depth_m);
  if (f.min_duration_s) add("duration_s >= ?", *f.min_duration_s);
  if (f.max_duration_s) add("duration_s <= ?", *f.max_duration_s);
  if (!terms.empty()) c.where = "WHERE " + terms;
  return c;
}

std::string OrderByOf(const DiveOrder& order) {
  const char* column = "local_start";
  bool descending = true;
  switch (order.column) {
    case DiveColumn::Date:
      break;
    case DiveColumn::Site:
      column = "site COLLATE NOCASE";
      descending = false;
      break;
    case DiveColumn::Mode:
      column = "mode";
      descending = false;
      break;
    case DiveColumn::Depth:
      column = "max_depth_m";
      break;
    case DiveColumn::Duration:
      column = "duration_s";
      break;
    case DiveColumn::Temp:
      column = "water_temp_c";
      break;
    case DiveColumn::Air:
      column = "air_lpm";
      break;
  }
  if (order.reverse) descending = !descending;
  std::string sql = std::string("ORDER BY ") + column + (descending ? " DESC" : " ASC");
  if (order.column == DiveColumn::Air) sql += " NULLS LAST";
  // Ties keep one order in every run: newest first, then the id.
  if (order.column != DiveColumn::Date) sql += ", local_start DESC";
  return sql + ", divelog_id " + (order.column == DiveColumn::Date && order.reverse ? "ASC" : "DESC");
}

}  // namespace orv
