// The demo diver's logbook: eight months of trips, each with boat or shore
// scuba dives, a gauge dive and a freediving session, with depth profiles
// written as ambient pressure the way the dive computer records them.
#include <json/value.h>
#include <json/writer.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "common/sim_random.h"
#include "common/utc_seconds.h"
#include "seed.h"
#include "sites_catalogue.h"

namespace orv::sim {

namespace {

struct Trip {
  const char* sites[3];
  int timezone;    // minutes, local = UTC - timezone
  int water_type;  // 1 fresh, 0 sea
  bool shore;      // entered from shore: entry/exit positions instead of a catalogue site
  double water_c, air_c;
};

const Trip kTrips[] = {
    {{"Longdong Bay", "Shihlang", "Beauty Cave"}, -480, 0, true, 24.5, 29.0},
    {{"Twin Rocks", "Sardine Run", "Pescador Island"}, -480, 0, false, 28.0, 31.0},
    {{"Blue Cave", "Zamami Island", "Manta Scramble"}, -540, 0, false, 26.0, 28.5},
    {{"Shark Reef", "SS Thistlegorm", "Jackson Reef"}, -120, 0, false, 23.5, 27.0},
    {{"Blue Corner", "German Channel", "Chandelier Cave"}, -540, 0, false, 29.0, 31.5},
    {{"Maaya Thila", "Fish Head", "Hanifaru Bay"}, -300, 0, false, 29.5, 32.0},
    {{"USAT Liberty", "Manta Point", "Crystal Bay"}, -480, 0, false, 27.0, 30.0},
    {{"Cenote Dos Ojos", "Cenote Angelita", "The Pit"}, 300, 1, true, 25.0, 30.5},
};

// Every first start seeds the same logbook.
using Random = SimRandom;

struct Waypoint {
  double t, depth;
};

double DepthAt(const std::vector<Waypoint>& path, double t) {
  for (std::size_t i = 1; i < path.size(); ++i)
    if (t <= path[i].t) {
      double f = (t - path[i - 1].t) / std::max(1.0, path[i].t - path[i - 1].t);
      return path[i - 1].depth + f * (path[i].depth - path[i - 1].depth);
    }
  return path.back().depth;
}

std::string Fixed(double v, int decimals) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

Json::Value Position(double lat, double lng) {
  Json::Value p;
  p["latitude"] = lat;
  p["longitude"] = lng;
  return p;
}

Json::Value Event(int time, int code, int value) {
  Json::Value e;
  e["event_time"] = time;
  e["event_code"] = code;
  e["event_value"] = value;
  return e;
}

const CatalogueSite* FindSite(const char* name, int& index) {
  std::size_t count = 0;
  const CatalogueSite* sites = CatalogueSites(count);
  for (std::size_t i = 0; i < count; ++i)
    if (std::strcmp(sites[i].name, name) == 0) {
      index = static_cast<int>(i);
      return &sites[i];
    }
  return nullptr;
}

// One dive: type "scuba", "gauge" or "free".
Json::Value MakeDive(Random& rng, const Trip& trip, const char* site_name, const std::string& type,
                     int64_t local_start) {
  int site_index = 0;
  const CatalogueSite* site = FindSite(site_name, site_index);
  bool free = type == "free";
  double max_depth = free ? rng.Between(8, 28) : rng.Between(12, 34);
  int duration = free ? rng.Int(45, 150) : rng.Int(38, 62) * 60;
  int step = free ? 1 : 10;

  std::vector<Waypoint> path;
  if (free) {
    double turn = duration * rng.Between(0.45, 0.55);
    path = {{0, 0}, {turn, max_depth}, {turn + 3, max_depth}, {double(duration), 0}};
  } else {
    double descent = max_depth / 15.0 * 60;  // 15 m/min
    path = {{0, 0},
            {descent, max_depth},
            {duration * 0.35, max_depth * rng.Between(0.92, 1.0)},
            {duration * 0.6, max_depth * 0.6},
            {duration - 240.0, 5},
            {duration - 60.0, 5},
            {double(duration), 0}};
  }
  const int altitude = 1013;
  const double metres_per_bar = trip.water_type == 1 ? 10.25 : 10.0;
  Json::Value profiles(Json::arrayValue);
  double depth_sum = 0;
  int samples = 0;
  for (int t = 0; t <= duration; t += step) {
    double d = DepthAt(path, t);
    Json::Value sample;
    sample["profile_time"] = t;
    sample["pressure"] = Fixed(altitude + d / metres_per_bar * 1000.0, 1);
    profiles.append(sample);
    depth_sum += d;
    ++samples;
  }

  Json::Value events(Json::arrayValue);
  if (max_depth > 30) events.append(Event(static_cast<int>(path[1].t), 18, 30));
  if (free) events.append(Event(static_cast<int>(path[1].t), 18, static_cast<int>(max_depth)));
  if (!free && rng.Next() < 0.3) events.append(Event(static_cast<int>(duration * 0.62), 3, 1));
  if (!free && max_depth > 28 && duration > 50 * 60) events.append(Event(static_cast<int>(duration * 0.3), 1, 0));

  Json::Value log;
  int64_t utc = local_start + int64_t{trip.timezone} * 60;
  log["dive_datetime"] = static_cast<Json::Int64>(utc);
  log["timezone"] = trip.timezone;
  log["dive_type"] = type;
  log["max_depth"] = Fixed(max_depth, 2);
  log["average_depth"] = Fixed(depth_sum / std::max(1, samples), 2);
  log["dive_duration"] = duration;
  log["air_in_text"] = free ? "0" : Fixed(rng.Int(195, 210), 0);
  log["air_out_text"] = free ? "0" : Fixed(rng.Int(45, 80), 0);
  log["cylinder_size_text"] = free ? "0" : (rng.Next() < 0.7 ? "12" : "80");
  log["po2"] = free ? 0 : (rng.Next() < 0.6 ? 21 : 32);
  log["weather_type"] = rng.Int(1, 5);
  log["wave_type"] = rng.Int(1, 4);
  log["current_type"] = rng.Int(1, 4);
  log["visibility_type"] = rng.Int(1, 3);
  log["min_temperature"] = Fixed(trip.water_c - rng.Between(0, 2), 1);
  log["air_temperature"] = Fixed(trip.air_c + rng.Between(-1.5, 1.5), 1);
  log["suit_thickness"] = free ? "3" : (trip.water_c < 25 ? "5" : "3");
  log["weight"] = Fixed(free ? 2.0 : rng.Int(4, 8), 1);
  log["water_type"] = trip.water_type;
  log["altitude"] = std::to_string(altitude);
  double lat = site ? site->latitude : 0, lng = site ? site->longitude : 0;
  if (trip.shore) {
    log["entry_position"] = Position(lat + 0.0004, lng - 0.0003);
    log["exit_position"] = Position(lat + 0.0006, lng - 0.0001);
  } else {
    log["entry_position"] = Position(0, 0);
    log["exit_position"] = Position(0, 0);
    char poi_id[16];
    std::snprintf(poi_id, sizeof poi_id, "poi%04d", site_index + 1);
    log["poi"]["poi_id"] = poi_id;
    log["poi"]["poi_name"] = site_name;  // the catalogue's name, as the service keeps it with the dive
    log["poi"]["gps_location"] = Position(lat, lng);
  }
  log["dive_profiles"] = profiles;
  log["events"] = events;
  return log;
}

}  // namespace

bool SeedDemoLogs(SimDb& db, const std::string& user_id, int last_year, int last_month, int last_day) {
  Random rng{20240611u};
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  int serial = 0;
  for (int back = 7; back >= 0; --back) {
    int month_index = last_year * 12 + (last_month - 1) - back;
    int year = month_index / 12, month = month_index % 12 + 1;
    const Trip& trip = kTrips[(month_index) % (sizeof kTrips / sizeof kTrips[0])];
    int first_day = rng.Int(3, 20);
    // A trip lasts three days; the most recent one ends by `last_day`.
    if (back == 0 && first_day + 2 > last_day) first_day = std::max(1, last_day - 2);
    // Day plan: two scuba days (the second ends with a gauge dive), then a freediving session.
    struct Plan {
      int day, hour, minute;
      const char* type;
      int site;
    };
    const Plan plans[] = {
        {0, 9, 0, "scuba", 0},  {0, 11, 30, "scuba", 1}, {0, 14, 45, "scuba", 2}, {1, 8, 30, "scuba", 1},
        {1, 11, 0, "scuba", 2}, {1, 15, 0, "gauge", 0},  {2, 10, 0, "free", 0},   {2, 10, 9, "free", 0},
        {2, 10, 18, "free", 0}, {2, 10, 31, "free", 0},
    };
    for (const Plan& p : plans) {
      int64_t local = UtcSeconds(year, month, first_day + p.day, p.hour, p.minute);
      Json::Value log = MakeDive(rng, trip, trip.sites[p.site], p.type, local);
      char id[16];
      std::snprintf(id, sizeof id, "d%06d", ++serial);
      log["divelog_id"] = id;
      StoredLog stored{
          id, user_id, log["dive_datetime"].asInt64(), log["timezone"].asInt(), p.type, Json::writeString(writer, log)};
      if (!db.PutLog(stored)) return false;
    }
  }
  return true;
}

}  // namespace orv::sim
