#include "explore/dive_rows.h"

#include "app/message_keys.h"
#include "app/string_table.h"
#include "cloud/json_read.h"
#include "values/civil_date.h"
#include "values/units.h"
#include "values/value_text.h"

namespace orv {

namespace {

std::string DayText(const CivilDate& d) {
  return PaddedInt(d.year, 4) + "-" + PaddedInt(d.month, 2) + "-" + PaddedInt(d.day, 2);
}

const char* ModeName(DiveType type) {
  return type == DiveType::Free ? "free" : type == DiveType::Gauge ? "gauge" : "scuba";
}

}  // namespace

std::string HoursText(int64_t seconds) {
  const int64_t minutes = seconds / 60;
  return std::to_string(minutes / 60) + ":" + PaddedInt(minutes % 60, 2);
}

std::string MinutesText(int64_t seconds) { return std::to_string(seconds / 60) + ":" + PaddedInt(seconds % 60, 2); }

std::string TemperatureText(double celsius) {
  return DisplayUnits::Temperature(celsius) + (DisplayUnits::Imperial() ? " °F" : " °C");
}

void ListedRows::Add(const DiveSummary& dive) {
  const CivilDate day = CivilFromDays(FloorDiv(dive.local_start, 86400));
  const int64_t in_day = dive.local_start - FloorDiv(dive.local_start, 86400) * 86400;
  const std::optional<double>& air = DisplayUnits::Imperial() ? dive.air_cuft : dive.air_lpm;
  if (text_.size() > 1) text_ += ',';
  text_ += '[';
  const std::string fields[] = {
      dive.id,
      DayText(day),
      DayText(day) + " " + PaddedInt(in_day / 3600, 2) + ":" + PaddedInt(in_day / 60 % 60, 2),
      dive.site.empty()     ? dive.region
      : dive.region.empty() ? dive.site
                            : dive.site + ", " + dive.region,
      ModeName(dive.mode),
      Tr(KeyOf(dive.mode == DiveType::Free    ? Msg::Freedive
               : dive.mode == DiveType::Gauge ? Msg::Gauge
                                              : Msg::Scuba)),
      DisplayUnits::Depth(dive.max_depth_m) + " " + DisplayUnits::DepthWord(),
      MinutesText(dive.duration_s),
      TemperatureText(dive.water_temp_c),
      air ? DisplayUnits::AirConsumption(*air) + " " + DisplayUnits::AirConsumptionWord() : std::string(),
  };
  for (const auto& f : fields) {
    if (&f != fields) text_ += ',';
    AppendJsonString(text_, f);
  }
  text_ += ']';
}

std::vector<std::pair<std::string, std::string>> TotalsTexts(const ListTotals& totals) {
  return {{"dives_count", std::to_string(totals.dives)},
          {"dives_hours", HoursText(totals.seconds)},
          {"dives_deepest",
           totals.dives ? DisplayUnits::Depth(totals.deepest_m) + " " + DisplayUnits::DepthWord() : std::string("—")}};
}

}  // namespace orv
