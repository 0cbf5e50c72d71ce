#include "sites/poi_results.h"

#include "cloud/json_read.h"

namespace orv::sites {

EditValues PoiEditValues(const Json::Value& poi) {
  const Json::Value& at = JsonMember(poi, "gps_location");
  return {JsonText(poi, "poi_name"), JsonNumber(at, "latitude"), JsonNumber(at, "longitude")};
}

bool PoiIdEquals(const Json::Value& poi, const std::string& poi_id) {
  const Json::Value& id = JsonMember(poi, "poi_id");
  return id.isString() && id.asString() == poi_id;
}

}  // namespace orv::sites
