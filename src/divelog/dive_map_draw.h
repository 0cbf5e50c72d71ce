// What the map and chart pages are sent for one dive: its markers on the
// detail map and on the edit dialog's map, and its profile chart.
#pragma once

#include <json/value.h>

#include "divelog/dive_log.h"
#include "divelog/map_host.h"

namespace orv {

// Detail map: clears the markers, then shows the entry and exit positions
// centred on their mean, or else the dive's catalogue site.
void PlaceDiveMarkers(const MapHost& host, const DiveLog& log);
// Edit dialog map: the entry and exit positions, or else the chosen site
// (drawn with the entry marker). Markers are never cleared here.
void PlaceEditMarkers(const MapHost& host, const LogEditRecord& record);

// One point per profile sample: [time, depth, {enabled, symbol}?], depths in
// the diver's unit and never below the dive's maximum depth.
Json::Value BuildDiveChart(const DiveLog& log);
// Sends the chart with the unit setting ("0" metric, "1" imperial).
void SendDiveChart(const MapHost& host, const DiveLog& log);

// The texts of the detail page (member `value`), in the diver's units.
Json::Value DetailValues(const DiveLog& log);
// setDiveValue, the markers and the chart, in that order.
void ShowDetail(const MapHost& host, const DiveLog& log);

}  // namespace orv
