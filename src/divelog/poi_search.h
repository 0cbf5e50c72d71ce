// The service's dive-site catalogue as the log edit dialog and the dive site
// page both use it: the search request with its failure handling, the
// result rows built from "dive_site_list.htm", and the range a position the
// diver gives must lie in.
#pragma once

#include <string>

#include <json/value.h>

#include "app/engine.h"
#include "app/message_keys.h"

namespace orv {

// Searches the catalogue for `query`. Texts under two characters are not
// sent. No connection shows the HOST_NOT_CONN dialog; a failed reply puts
// its key's text into `message`. On success `message` is cleared, `pois`
// takes the results and the result is true; otherwise `pois` is untouched.
bool SearchCatalogue(const std::string& query, const ElementRef& message, Json::Value& pois);

// Empties `list` and appends one row per result, in order: `dive_site_poi`
// carries the result's "poi_id", `poi_name` and `poi_region` its texts.
void RenderPoiRows(const ElementRef& list, const Json::Value& pois);

// Shown when a position the diver typed or picked lies off the world.
// Whether the position lies on the world: latitude within -90..90 and
// longitude within -180..180 degrees (NaN does not).
bool PositionInRange(double latitude, double longitude);

}  // namespace orv
