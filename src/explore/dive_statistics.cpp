#include "explore/dive_statistics.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace orv {

int ModeIndex(DiveType type) {
  switch (type) {
    case DiveType::Free:
      return 1;
    case DiveType::Gauge:
      return 2;
    default:
      return 0;
  }
}

namespace {

void Count(PeriodFigures& p, const DiveSummary& d) {
  const int m = ModeIndex(d.mode);
  p.dives[m] += 1;
  p.seconds[m] += d.duration_s;
}

void AddToBin(std::vector<int64_t>& bins, double value, double width) {
  // A negative or absurd value counts in the first bin rather than growing
  // the spread without end.
  const double index = value > 0.0 && std::isfinite(value) ? std::floor(value / width) : 0.0;
  const size_t i = static_cast<size_t>(std::min(index, 1000.0));
  if (bins.size() <= i) bins.resize(i + 1, 0);
  bins[i] += 1;
}

std::optional<double> Median(std::vector<double>& values) {
  if (values.empty()) return std::nullopt;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

struct YearWork {
  YearFigures figures;
  double depth_sum = 0.0;
  std::vector<double> air_lpm, air_cuft;
  std::array<PeriodFigures, 12> months{};
};

}  // namespace

std::optional<DiveStatistics> StatisticsOf(const SavedCopy& copy, const DiveFilter& filter,
                                           std::optional<int64_t> month_year) {
  DiveStatistics st;
  std::map<int64_t, YearWork> years;
  std::map<std::string, int64_t> sites;
  // Oldest first: on a tie the record stays with the dive that set it first.
  DiveListQuery query{filter, DiveOrder{DiveColumn::Date, true}};
  const bool ok = EachListedDive(copy, query, [&](const DiveSummary& d) {
    const CivilTime start = BreakDownUtc(d.local_start);
    const int64_t year = start.year;
    YearWork& y = years[year];
    y.figures.year = year;
    Count(y.figures.figures, d);
    Count(y.months[static_cast<size_t>(start.month - 1)], d);
    y.figures.deepest_m = std::max(y.figures.deepest_m, d.max_depth_m);
    y.depth_sum += d.max_depth_m;
    if (d.air_lpm) y.air_lpm.push_back(*d.air_lpm);
    if (d.air_cuft) y.air_cuft.push_back(*d.air_cuft);
    st.totals.dives += 1;
    st.totals.seconds += d.duration_s;
    AddToBin(st.depth_bins, d.max_depth_m, kDepthBinMetres);
    AddToBin(st.duration_bins, static_cast<double>(d.duration_s), kDurationBinSeconds);
    if (!st.deepest || d.max_depth_m > st.deepest->max_depth_m) st.deepest = d;
    if (!st.longest || d.duration_s > st.longest->duration_s) st.longest = d;
    if (!st.coldest || d.water_temp_c < st.coldest->water_temp_c) st.coldest = d;
    if (!d.site.empty()) sites[d.site] += 1;
    return true;
  });
  if (!ok) return std::nullopt;
  if (st.deepest) st.totals.deepest_m = st.deepest->max_depth_m;
  for (auto& [year, y] : years) {
    const int64_t n = y.figures.figures.dives[0] + y.figures.figures.dives[1] + y.figures.figures.dives[2];
    y.figures.mean_max_depth_m = y.depth_sum / static_cast<double>(n);
    y.figures.median_air_lpm = Median(y.air_lpm);
    y.figures.median_air_cuft = Median(y.air_cuft);
    st.years.push_back(y.figures);
  }
  st.month_year = month_year ? *month_year : (years.empty() ? 0 : years.rbegin()->first);
  if (auto it = years.find(st.month_year); it != years.end()) st.months = it->second.months;
  for (const auto& [site, count] : sites) {
    if (count <= st.top_site_dives) continue;
    st.top_site = site;
    st.top_site_dives = count;
  }
  return st;
}

}  // namespace orv
