#include "explore/statistics_tables.h"

#include <cmath>

#include "app/message_keys.h"
#include "app/string_table.h"
#include "explore/dive_rows.h"
#include "values/civil_date.h"
#include "values/units.h"
#include "values/value_text.h"

namespace orv {

namespace {

// One cell: the number the chart draws and the text the reader hears. No
// value (an empty data-v) leaves a gap in the chart.
std::string Cell(const std::optional<double>& value, const std::string& text) {
  return "<td data-v=\"" + (value ? FixedText(*value, 3) : std::string()) + "\">" + text + "</td>";
}
std::string Count(int64_t n) { return Cell(static_cast<double>(n), std::to_string(n)); }
std::string Depth(double metres) { return Cell(DisplayUnits::DepthValue(metres), DisplayUnits::Depth(metres)); }
std::string Hours(int64_t seconds) { return Cell(seconds / 3600.0, HoursText(seconds)); }

std::string PeriodRow(const std::string& label, const PeriodFigures& f) {
  int64_t seconds = 0;
  for (const int64_t s : f.seconds) seconds += s;
  return "<tr><th scope=\"row\">" + label + "</th>" + Count(f.dives[0]) + Count(f.dives[1]) + Count(f.dives[2]) +
         Hours(seconds) + "</tr>";
}

std::string BinRow(const std::string& label, int64_t dives) {
  return "<tr><th scope=\"row\">" + label + "</th>" + Count(dives) + "</tr>";
}

std::string DiveAt(const DiveSummary& dive) {
  const int64_t day = dive.local_start / 86400 - (dive.local_start % 86400 < 0);
  const CivilDate d = CivilFromDays(day);
  std::string at = PaddedInt(d.year, 4) + "-" + PaddedInt(d.month, 2) + "-" + PaddedInt(d.day, 2);
  if (!dive.site.empty()) at += " · " + dive.site;
  return at;
}

}  // namespace

StatisticsTables MakeStatisticsTables(const DiveStatistics& stats) {
  StatisticsTables t;
  t.year = stats.month_year;
  std::string years, depths, air;
  for (const YearFigures& y : stats.years) {
    const std::string label = std::to_string(y.year);
    years += PeriodRow(label, y.figures);
    depths += "<tr><th scope=\"row\">" + label + "</th>" + Depth(y.deepest_m) + Depth(y.mean_max_depth_m) + "</tr>";
    const std::optional<double>& median = DisplayUnits::Imperial() ? y.median_air_cuft : y.median_air_lpm;
    air += "<tr><th scope=\"row\">" + label + "</th>" +
           Cell(median, median ? DisplayUnits::AirConsumption(*median) : std::string("—")) + "</tr>";
  }
  // Newest year first.
  for (size_t i = stats.years.size(); i-- > 0;) {
    const std::string label = std::to_string(stats.years[i].year);
    t.year_options += "<option value=\"" + label + "\">" + label + "</option>";
  }
  std::string months;
  for (int m = 0; m < 12; ++m) months += PeriodRow(PaddedInt(m + 1, 2), stats.months[static_cast<size_t>(m)]);
  // Bin edges in the diver's unit, rounded to whole feet in imperial.
  std::string depth_bins, duration_bins;
  for (size_t i = 0; i < stats.depth_bins.size(); ++i) {
    const auto edge = [](double metres) { return FixedText(std::round(DisplayUnits::DepthValue(metres)), 0); };
    depth_bins += BinRow(edge(i * kDepthBinMetres) + "–" + edge((i + 1) * kDepthBinMetres), stats.depth_bins[i]);
  }
  for (size_t i = 0; i < stats.duration_bins.size(); ++i) {
    const int64_t from = static_cast<int64_t>(i) * kDurationBinSeconds / 60;
    duration_bins +=
        BinRow(std::to_string(from) + "–" + std::to_string(from + kDurationBinSeconds / 60), stats.duration_bins[i]);
  }
  t.bodies = {{"stat_years_body", years},           {"stat_months_body", months},
              {"stat_depth_years_body", depths},    {"stat_air_years_body", air},
              {"stat_depth_bins_body", depth_bins}, {"stat_time_bins_body", duration_bins}};

  const std::string depth_word = DisplayUnits::DepthWord();
  t.texts = {{"unit_deepest", depth_word},
             {"unit_mean", depth_word},
             {"unit_depth_bins", depth_word},
             {"air_unit", DisplayUnits::AirConsumptionWord()}};
  const auto record = [&t](const char* id, const std::optional<DiveSummary>& dive, const std::string& value) {
    t.texts.emplace_back(id, dive ? value : std::string("—"));
    t.texts.emplace_back(std::string(id) + "_at", dive ? DiveAt(*dive) : std::string());
  };
  record("rec_deepest", stats.deepest,
         stats.deepest ? DisplayUnits::Depth(stats.deepest->max_depth_m) + " " + depth_word : "");
  record("rec_longest", stats.longest, stats.longest ? MinutesText(stats.longest->duration_s) + " min" : "");
  record("rec_coldest", stats.coldest, stats.coldest ? TemperatureText(stats.coldest->water_temp_c) : "");
  t.texts.emplace_back("rec_site", stats.top_site.empty() ? std::string("—") : stats.top_site);
  std::string count = Tr(KeyOf(Msg::DivesCount));
  if (const auto at = count.find("%s"); at != std::string::npos)
    count.replace(at, 2, std::to_string(stats.top_site_dives));
  t.texts.emplace_back("rec_site_count", stats.top_site.empty() ? std::string() : count);
  return t;
}

}  // namespace orv
