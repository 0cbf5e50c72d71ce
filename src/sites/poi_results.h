// The service's dive-site catalogue results as the dive site page uses them:
// result rows built from "dive_site_list.htm" and the values a result gives
// the edit inputs.
#pragma once

#include <string>
#include <string_view>

#include <json/value.h>

#include "app/engine.h"
#include "sites/site_lists.h"

namespace orv::sites {

// UTF-16 code units of a UTF-8 text: the search needs at least two.
size_t Utf16Length(std::string_view utf8);

// Empties `list` and appends one row per result, in order.
void RenderPoiRows(const ElementRef& list, const Json::Value& pois);

// The result's name and `gps_location` in degrees.
EditValues PoiEditValues(const Json::Value& poi);

// Whether the result's `poi_id` is a string equal to `poi_id`.
bool PoiIdEquals(const Json::Value& poi, const std::string& poi_id);

}  // namespace orv::sites
