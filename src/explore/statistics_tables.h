// The Dives tab's statistics as the page shows them: the bodies of the
// chart tables (each cell's text for the reader, its number in data-v for
// the chart), the year picker and the records, in the diver's units.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "explore/dive_statistics.h"

namespace orv {

struct StatisticsTables {
  int64_t year = 0;                                         // the year whose months are shown
  std::vector<std::pair<std::string, std::string>> bodies;  // tbody id, rows
  std::string year_options;
  std::vector<std::pair<std::string, std::string>> texts;  // element id, text
};

StatisticsTables MakeStatisticsTables(const DiveStatistics& stats);

}  // namespace orv
