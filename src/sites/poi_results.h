// What a catalogue result gives the dive site page's edit inputs.
#pragma once

#include <string>

#include <json/value.h>

#include "sites/site_lists.h"

namespace orv::sites {

// The result's name and `gps_location` in degrees.
EditValues PoiEditValues(const Json::Value& poi);

// Whether the result's `poi_id` is a string equal to `poi_id`.
bool PoiIdEquals(const Json::Value& poi, const std::string& poi_id);

}  // namespace orv::sites
