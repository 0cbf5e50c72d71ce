// Dive-site catalogue search.
#include <algorithm>
#include <cstdlib>

#include "service.h"

namespace orv::sim {

namespace {

SimReply SearchSites(Service& s, const SimRequest& r, const std::vector<std::string>&) {
  if (!s.Authorised(r)) return Service::Failure(kCodeNoToken);
  auto query = r.form.find("query");
  if (query == r.form.end() || query->second.empty()) return Service::Failure(kCodeBadRequest);
  int limit = 20;
  if (auto it = r.form.find("limit"); it != r.form.end()) limit = std::atoi(it->second.c_str());
  limit = std::clamp(limit, 1, 100);
  Json::Value pois(Json::arrayValue);
  for (const SiteRow& site : s.db().SearchSites(query->second, limit)) {
    Json::Value poi;
    poi["poi_id"] = site.poi_id;
    poi["poi_name"] = site.name;
    poi["poi_region"] = site.region;
    poi["gps_location"]["latitude"] = site.latitude;
    poi["gps_location"]["longitude"] = site.longitude;
    pois.append(poi);
  }
  Json::Value response;
  response["pois"] = pois;
  return Service::Ok(response);
}

}  // namespace

void AddSearchRoutes(Service& service) {
  service.AddRoute({"POST", "/api/v1/searches/divesites", "search", SearchSites});
}

}  // namespace orv::sim
