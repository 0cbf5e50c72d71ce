#include "browse/statistics.h"

#include "cloud/json_read.h"
#include "values/units.h"
#include "values/value_text.h"

namespace orv {

DiveTotals TotalsFromResponse(const Json::Value& response) {
  DiveTotals t;
  t.scuba_count = JsonInt(response, "scuba_mode_count");
  t.scuba_minutes = JsonInt(response, "scuba_dive_time") / 60;
  t.scuba_max_depth = ReadDecimal(JsonText(response, "scuba_max_depth"));
  t.free_count = JsonInt(response, "freedive_mode_count");
  t.free_minutes = JsonInt(response, "free_dive_time") / 60;
  t.free_max_depth = ReadDecimal(JsonText(response, "free_max_depth"));
  t.known = true;
  return t;
}

std::string TotalTimeText(int32_t minutes) { return std::to_string(minutes / 60) + ":" + PaddedInt(minutes % 60, 2); }

StatisticsTexts MakeStatisticsTexts(const DiveTotals& t) {
  if (!t.known) {
    const std::string dash = "\u2014";
    return {{{"scuba_total_dive", dash},
             {"scuba_total_time", dash},
             {"scuba_max_depth", dash},
             {"scuba_max_depth_unit", ""},
             {"free_total_dive", dash},
             {"free_total_time", dash},
             {"free_max_depth", dash},
             {"free_max_depth_unit", ""}}};
  }
  return {{
      {"scuba_total_dive", std::to_string(t.scuba_count)},
      {"scuba_total_time", TotalTimeText(t.scuba_minutes)},
      {"scuba_max_depth", DisplayUnits::Depth(t.scuba_max_depth)},
      {"scuba_max_depth_unit", DisplayUnits::DepthWord()},
      {"free_total_dive", std::to_string(t.free_count)},
      {"free_total_time", TotalTimeText(t.free_minutes)},
      {"free_max_depth", DisplayUnits::Depth(t.free_max_depth)},
      {"free_max_depth_unit", DisplayUnits::DepthWord()},
  }};
}

}  // namespace orv
