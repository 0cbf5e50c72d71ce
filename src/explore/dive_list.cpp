#include "explore/dive_list.h"

namespace orv {

bool EachListedDive(const SavedCopy& copy, const DiveListQuery& query,
                    const std::function<bool(const DiveSummary&)>& each) {
  SqlCondition c = ConditionOf(query.filter);
  std::string tail = c.where + " " + OrderByOf(query.order);
  if (query.limit >= 0 || query.offset > 0) {
    c.arguments.emplace_back(query.limit >= 0 ? query.limit : int64_t{-1});
    tail += " LIMIT ?" + std::to_string(c.arguments.size());
    c.arguments.emplace_back(query.offset > 0 ? query.offset : int64_t{0});
    tail += " OFFSET ?" + std::to_string(c.arguments.size());
  }
  return copy.EachSummary(tail, c.arguments, each);
}

std::optional<std::vector<DiveSummary>> ListDives(const SavedCopy& copy, const DiveListQuery& query) {
  std::vector<DiveSummary> rows;
  if (!EachListedDive(copy, query, [&](const DiveSummary& d) {
        rows.push_back(d);
        return true;
      }))
    return std::nullopt;
  return rows;
}

std::optional<ListTotals> TotalsOf(const SavedCopy& copy, const DiveFilter& filter) {
  const SqlCondition c = ConditionOf(filter);
  const auto row = copy.SummaryFigures(
      "SELECT count(*), total(duration_s), max(max_depth_m) FROM dive_summaries " + c.where, c.arguments);
  if (!row || row->size() != 3) return std::nullopt;
  return ListTotals{static_cast<int64_t>((*row)[0]), static_cast<int64_t>((*row)[1]), (*row)[2]};
}

std::optional<DiveSummary> ListedDive(const SavedCopy& copy, const DiveFilter& filter, const std::string& id) {
  SqlCondition c = ConditionOf(filter);
  c.arguments.emplace_back(id);
  const std::string tail = (c.where.empty() ? "WHERE" : c.where + " AND") + " divelog_id = ?" +
                           std::to_string(c.arguments.size()) + " LIMIT 1";
  std::optional<DiveSummary> found;
  copy.EachSummary(tail, c.arguments, [&](const DiveSummary& d) {
    found = d;
    return false;
  });
  return found;
}

}  // namespace orv
