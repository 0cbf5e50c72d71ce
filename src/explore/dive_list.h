// The whole log book as one list, read from the saved copy's summaries.
//
// API:
//   EachListedDive  streams the dives `query` selects, in its order, from
//                   `offset`, at most `limit` (-1: all); SQLite sorts and
//                   limits, so a page of rows costs a page, not the book.
//   ListDives       the same into a vector.
//   TotalsOf        count, hours and the deepest dive of what a filter shows,
//                   one aggregate query.
//   ListedDive      the dive `id` when the filter shows it.
// Every call answers nothing (or false) when the copy could not be read.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "explore/dive_filter.h"
#include "logbook/dive_summary.h"

namespace orv {

struct DiveListQuery {
  DiveFilter filter;
  DiveOrder order;
  int64_t offset = 0;
  int64_t limit = -1;
};

bool EachListedDive(const SavedCopy& copy, const DiveListQuery& query,
                    const std::function<bool(const DiveSummary&)>& each);
std::optional<std::vector<DiveSummary>> ListDives(const SavedCopy& copy, const DiveListQuery& query);

struct ListTotals {
  int64_t dives = 0;
  int64_t seconds = 0;
  double deepest_m = 0.0;  // 0 when there are no dives
  friend bool operator==(const ListTotals&, const ListTotals&) = default;
};
std::optional<ListTotals> TotalsOf(const SavedCopy& copy, const DiveFilter& filter);
std::optional<DiveSummary> ListedDive(const SavedCopy& copy, const DiveFilter& filter, const std::string& id);

}  // namespace orv
