// The diver's years in figures, over the dives a filter shows, from the
// saved copy's summaries in one pass.
//
// API:
//   StatisticsOf(copy, filter, year)  every figure below; `year` picks the
//       year whose months are counted (nothing: the latest year with dives).
//   Modes are indexed scuba 0, free 1, gauge 2 (the charts' stacking order).
//   Depth bins are 5 m wide ([0,5), [5,10), ...), duration bins 10 min;
//   both run to the last filled bin. Median air use per year takes the dives
//   with an air use only; nothing where a year has none.
//   Records: deepest, longest, coldest water (the earliest dive on a tie)
//   and the most-dived named site with its count (A to Z on a tie).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "explore/dive_list.h"

namespace orv {

inline constexpr int kDiveModes = 3;
int ModeIndex(DiveType type);

struct PeriodFigures {
  std::array<int64_t, kDiveModes> dives{};
  std::array<int64_t, kDiveModes> seconds{};
  friend bool operator==(const PeriodFigures&, const PeriodFigures&) = default;
};

struct YearFigures {
  int64_t year = 0;
  PeriodFigures figures;
  double deepest_m = 0.0;
  double mean_max_depth_m = 0.0;
  std::optional<double> median_air_lpm, median_air_cuft;
};

struct DiveStatistics {
  ListTotals totals;
  std::vector<YearFigures> years;  // oldest first, only years with dives
  int64_t month_year = 0;          // the year `months` counts
  std::array<PeriodFigures, 12> months{};
  std::vector<int64_t> depth_bins, duration_bins;
  std::optional<DiveSummary> deepest, longest, coldest;
  std::string top_site;
  int64_t top_site_dives = 0;
};

inline constexpr double kDepthBinMetres = 5.0;
inline constexpr int64_t kDurationBinSeconds = 600;

std::optional<DiveStatistics> StatisticsOf(const SavedCopy& copy, const DiveFilter& filter,
                                           std::optional<int64_t> month_year = std::nullopt);

}  // namespace orv
