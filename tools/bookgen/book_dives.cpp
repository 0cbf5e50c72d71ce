#include "book_dives.h"

#include <json/writer.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/utc_seconds.h"
#include "dive_memory.h"
#include "dive_record.h"

namespace orv::bookgen {

namespace {

struct Site {
  const char* name;
  double latitude, longitude;
  int timezone;  // minutes; local = UTC - timezone
  bool fresh, shore;
  double water_c;
};

// Boat sites carry the service's site; shore entries only their positions.
const Site kSites[] = {
    {"綠島 石朗", 22.6547, 121.4717, -480, false, true, 26.5},
    {"蘭嶼 八代灣沉船", 22.0833, 121.5167, -480, false, false, 27.0},
    {"墾丁 後壁湖", 21.9447, 120.7431, -480, false, true, 27.5},
    {"龍洞灣", 25.1083, 121.9181, -480, false, true, 23.0},
    {"慶良間 座間味", 26.2283, 127.3050, -540, false, false, 25.5},
    {"제주 문섬", 33.2283, 126.5667, -540, false, false, 19.0},
    {"Blue Corner", 7.1367, 134.2231, -540, false, false, 29.0},
    {"SS Thistlegorm", 27.8136, 33.9208, -120, false, false, 24.0},
    {"Manta Point", 4.2833, 73.5528, -300, false, false, 29.5},
    {"Cenote Dos Ojos", 20.3247, -87.3908, 300, true, true, 25.0},
    {"Silfra Fissure", 64.2558, -21.1167, 0, true, true, 3.0},
    {"Museo Subacuático de Arte", 21.2083, -86.7250, 300, false, false, 27.0},
    {"Kaş Canyon", 36.1833, 29.6333, -180, false, false, 22.0},
    // Named by the diver: what an XML or CSV writer must escape.
    {"Jack's \"Secret\" Reef & <Wall>, north", -8.2750, 115.5930, -480, false, false, 28.0},
};
constexpr int kSiteCount = sizeof kSites / sizeof kSites[0];

struct Random {
  uint32_t state;
  double Next() {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) / 16777216.0;
  }
  double Between(double lo, double hi) { return lo + (hi - lo) * Next(); }
  int Int(int lo, int hi) { return std::min(hi, lo + static_cast<int>((hi - lo + 1) * Next())); }
};

Json::Value Position(double latitude, double longitude) {
  Json::Value p;
  p["latitude"] = latitude;
  p["longitude"] = longitude;
  return p;
}

// mode 0 scuba, 1 gauge, 2 free; `samples` samples whatever the mode, the
// interval shortened where the duration would not fit the header.
devsim::DeviceDive MakeDive(Random& rng, int mode, int samples, const Site& site) {
  const int base = mode == 2 ? 1 : mode == 1 ? 5 : 10;
  const auto interval = static_cast<uint16_t>(std::max(1, std::min(base, 65535 / (samples - 1))));
  const double t = double(samples - 1) * interval;
  const double depth = mode == 2 ? rng.Between(8, 30) : mode == 1 ? rng.Between(5, 15) : rng.Between(10, 38);
  std::vector<std::pair<double, double>> corners;
  if (mode == 2)
    corners = {{0, 0}, {t * 0.48, depth}, {t * 0.5, depth}, {t, 0}};
  else if (mode == 1)
    corners = {{0, 0}, {t * 0.05, depth}, {t * 0.5, depth * 0.8}, {t * 0.9, 4}, {t, 0}};
  else
    corners = {{0, 0}, {t * 0.1, depth}, {t * 0.4, depth * 0.95}, {t * 0.65, depth * 0.55},
               {t * 0.85, 5}, {t * 0.95, 5}, {t, 0}};
  devsim::DeviceDive d = devsim::ShapeDive(static_cast<uint8_t>(mode), interval, corners, site.water_c);
  d.water = site.fresh ? 1 : 0;
  d.air_temp_dc = static_cast<int16_t>((site.water_c + rng.Between(-2, 4)) * 10);
  d.o2 = mode == 2 ? 0 : rng.Next() < 0.6 ? 21 : 32;
  if (mode != 2) {
    d.tank_start_bar = static_cast<uint16_t>(rng.Int(195, 210));
    d.tank_end_bar = static_cast<uint16_t>(rng.Int(40, 80));
  }
  if (depth > 30 || mode == 2)
    d.events.push_back({static_cast<uint16_t>(t * (mode == 2 ? 0.48 : 0.1)), 18, static_cast<uint8_t>(depth)});
  return d;
}

}  // namespace

int64_t MonthStart(int year, int month) { return sim::UtcSeconds(year, month, 1, 0, 0); }

bool StoreDives(sim::SimDb& db, const std::string& user_id, const BookShape& shape) {
  Random rng{20261210u};
  // Dive days: groups of one to four dives, spread evenly over the years.
  std::vector<int> groups;
  for (int left = shape.dives; left > 0;) {
    groups.push_back(std::min(left, rng.Int(1, 4)));
    left -= groups.back();
  }
  const int first_month = shape.end_year * 12 + shape.end_month - 1 - (shape.years * 12 - 1);
  const int64_t first_day = MonthStart(first_month / 12, first_month % 12 + 1) / 86400;
  const int64_t days = MonthStart(shape.end_year, shape.end_month + 1) / 86400 - first_day;
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  if (!db.Exec("BEGIN")) return false;
  bool ok = true;
  uint16_t number = 0;
  for (size_t g = 0; ok && g < groups.size(); ++g) {
    const int64_t day = first_day + static_cast<int64_t>(g) * days / static_cast<int64_t>(groups.size());
    const Site& site = kSites[rng.Int(0, kSiteCount - 1)];
    const bool free_day = rng.Next() < 0.15;
    for (int i = 0; ok && i < groups[g]; ++i) {
      const int mode = free_day ? 2 : (i == groups[g] - 1 && i > 0 && rng.Next() < 0.3) ? 1 : 0;
      devsim::DeviceDive dive = MakeDive(rng, mode, shape.samples, site);
      dive.number = ++number;
      dive.timezone = static_cast<int16_t>(site.timezone);
      // Local 08:00 onwards, a dive every three hours (twenty minutes for a
      // freediving session's tries).
      const int64_t local = day * 86400 + 8 * 3600 + i * (free_day ? 1200 : 3 * 3600);
      dive.start_utc = static_cast<uint32_t>(local + int64_t{site.timezone} * 60);
      const std::vector<uint8_t> bytes = devsim::EncodeDiveRecord(dive);
      std::optional<Json::Value> log =
          sim::ParseDiveRecord(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
      if (!log) return db.Exec("ROLLBACK"), false;
      const std::string id = sim::DeviceDiveId(dive.start_utc, dive.number);
      (*log)["divelog_id"] = id;
      if (site.shore) {
        (*log)["entry_position"] = Position(site.latitude + 0.0004, site.longitude - 0.0003);
        (*log)["exit_position"] = Position(site.latitude + 0.0006, site.longitude - 0.0001);
      } else {
        char poi_id[16];
        std::snprintf(poi_id, sizeof poi_id, "bk%04d", static_cast<int>(&site - kSites) + 1);
        (*log)["poi"]["poi_id"] = poi_id;
        (*log)["poi"]["poi_name"] = site.name;
        (*log)["poi"]["gps_location"] = Position(site.latitude, site.longitude);
      }
      ok = db.PutLog({id, user_id, dive.start_utc, dive.timezone, (*log)["dive_type"].asString(),
                      Json::writeString(writer, *log)});
    }
  }
  return db.Exec(ok ? "COMMIT" : "ROLLBACK") && ok;
}

}  // namespace orv::bookgen
