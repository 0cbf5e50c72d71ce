// What the map and chart pages are sent for one dive: its markers on the
// detail map and on the edit dialog's map, and its profile chart.
#pragma once

#include <json/value.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "divelog/dive_log.h"
#include "divelog/map_host.h"

namespace orv {

class SimdLog;

// Detail map: clears the markers, then shows the entry and exit positions
// centred on their mean, or else the dive's catalogue site.
void PlaceDiveMarkers(const MapHost& host, const DiveLog& log);
// Edit dialog map: the entry and exit positions, or else the chosen site
// (drawn with the entry marker). Markers are never cleared here.
void PlaceEditMarkers(const MapHost& host, const LogEditRecord& record);

// One point of the profile chart per sample: its time in seconds, its depth
// in the diver's unit (never below the dive's maximum depth) and the symbol
// drawn on it ("url(...)" of its picture; null for none).
struct ChartPoint {
  int32_t time = 0;
  float depth = 0;
  const char* symbol = nullptr;
};
std::vector<ChartPoint> DiveChartPoints(const DiveLog& log);
std::vector<ChartPoint> DiveChartPoints(const SimdLog& log);
// What the chart draws of a profile longer than it is wide: per slice of
// the dive's time (`slices` of them), the slice's first and last points,
// its shallowest and deepest, and every point carrying a symbol, in their
// order. The chart draws a pixel column the same way, from its extremes
// and its ends; a profile of at most four points a slice comes back whole.
constexpr size_t kChartSlices = 1000;
std::vector<ChartPoint> ChartShape(std::vector<ChartPoint> points, size_t slices = kChartSlices);
// The points as the chart page reads them, one JSON text of columns:
// {"time":[...],"depth":[...],"symbols":[[point index, symbol], ...]}, each
// depth in the shortest form that reads back as the same value (12.3, not
// 12.300000190734863).
std::string DiveChartText(const std::vector<ChartPoint>& points);
// Sends the chart with the unit setting ("0" metric, "1" imperial).
void SendDiveChart(const MapHost& host, const DiveLog& log);

// The texts of the detail page (member `value`), in the diver's units.
Json::Value DetailValues(const DiveLog& log);
Json::Value DetailValues(const SimdLog& log);
// setDiveValue, the markers and the chart, in that order.
void ShowDetail(const MapHost& host, const DiveLog& log);
// The same from the record read with simdjson (the detail view).
void ShowDetail(const MapHost& host, const SimdLog& log);

}  // namespace orv
