// The diver's lifetime totals and their eight page texts, without any page.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include <json/value.h>

namespace orv {

struct DiveTotals {
  int32_t scuba_count = 0;
  int32_t scuba_minutes = 0;
  float scuba_max_depth = 0.0f;  // metres
  int32_t free_count = 0;
  int32_t free_minutes = 0;
  float free_max_depth = 0.0f;  // metres
  bool known = false;           // false until the service has answered
};

// The totals of a statistics `response`; missing members read as 0.
DiveTotals TotalsFromResponse(const Json::Value& response);

// m minutes as "%d:%.2d" hours and minutes: 135 -> "2:15", 45 -> "0:45".
std::string TotalTimeText(int32_t minutes);

// (id, text) for the eight statistics elements, in page order from
// `scuba_total_dive` to `free_max_depth_unit`, in the current unit setting.
// Totals never received read "—" (no unit word), never zeros that look like
// data.
using StatisticsTexts = std::array<std::pair<std::string, std::string>, 8>;
StatisticsTexts MakeStatisticsTexts(const DiveTotals& totals);

}  // namespace orv
