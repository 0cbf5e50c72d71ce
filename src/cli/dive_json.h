// orvelle-cli --json: one JSON document on stdout. Member names are English
// and carry their unit (`max_depth_m`, `duration_s`); values are SI whatever
// --unit says, so a script reads the same numbers on every machine.
#pragma once

#include <json/value.h>

#include <string>

#include "logbook/dive_summary.h"

namespace orv::cli {

// Indented, UTF-8 as it is, numbers with 15 significant digits (what a
// decimal text from the service widens to, without binary noise).
void PrintJson(const Json::Value& document);

// "YYYY-MM-DDTHH:MM" of the local start.
std::string LocalStartText(int64_t local_start);
// One dive of `list` (and the figures of `log`): id, start_local, mode,
// max_depth_m, average_depth_m, duration_s, water_temp_c, air_use_l_min
// (null where none), site, region, entry ({latitude_deg, longitude_deg} or
// null).
// Written directly as compact text (a list of thousands of dives prints them
// as they come, without a document tree); SummaryJson is the same parsed.
std::string SummaryJsonText(const DiveSummary& dive);
Json::Value SummaryJson(const DiveSummary& dive);
// A number that may be absent: null then.
Json::Value OptionalNumber(const std::optional<double>& value);

}  // namespace orv::cli
