// The detail view of one dive: fetched and shown in one step, the record
// read with simdjson, as nothing of it is kept or sent back (the edit keeps
// the whole record as FetchDiveLog reads it).
#pragma once

#include <string_view>

#include "divelog/map_host.h"

namespace orv {

class ElementRef;
class HttpPost;

// Fetches dive `divelog_id` on `http` as FetchDiveLog does, telling a
// failure the same way and in the same places (`message`: the main page's,
// found once by the caller, as a lookup per dive would wait on the page),
// and shows it on `detail` (ShowDetail). False when nothing was shown.
bool ViewDiveLog(HttpPost& http, std::string_view divelog_id, const ElementRef& message, const MapHost& detail);

}  // namespace orv
