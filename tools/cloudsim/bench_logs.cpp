// Benchmark logbook: a month beside the demo diver's trips with one day of
// 50 dives and two long dives, so the timing runs show the list and the
// chart at sizes a diver's own logbook seldom reaches.
#include <json/reader.h>
#include <json/writer.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

#include "seed.h"

namespace orv::sim {

namespace {

// A dive from the demo logbook with its start, id and profile replaced:
// `samples` one-second samples in a saw-tooth between 5 and 35 m, and
// `events` events spread over it.
std::string Variant(const Json::Value& base, const char* id, int64_t local, int samples, int events) {
  Json::Value log = base;
  log["divelog_id"] = id;
  log["dive_datetime"] = static_cast<Json::Int64>(local + log["timezone"].asInt() * 60);
  log["dive_type"] = "scuba";
  log["dive_duration"] = samples;
  Json::Value profiles(Json::arrayValue);
  for (int t = 0; t < samples; ++t) {
    double depth = 5 + 30 * std::fabs(std::fmod(t / 600.0, 2.0) - 1.0);
    char pressure[16];
    std::snprintf(pressure, sizeof pressure, "%.1f", 1013 + depth * 100);
    Json::Value sample;
    sample["profile_time"] = t;
    sample["pressure"] = pressure;
    profiles.append(sample);
  }
  log["dive_profiles"] = profiles;
  Json::Value list(Json::arrayValue);
  for (int i = 0; i < events; ++i) {
    Json::Value e;
    e["event_time"] = static_cast<int>(static_cast<int64_t>(samples) * i / events);
    e["event_code"] = i % 2 ? 3 : 18;
    e["event_value"] = 30;
    list.append(e);
  }
  log["events"] = list;
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  return Json::writeString(writer, log);
}

int64_t LocalSeconds(int year, int month, int day, int hour, int minute) {
  using namespace std::chrono;
  const sys_days date = std::chrono::year(year) / std::chrono::month(static_cast<unsigned>(month)) /
                        std::chrono::day(static_cast<unsigned>(day));
  return duration_cast<seconds>(date.time_since_epoch() + hours(hour) + minutes(minute)).count();
}

// The demo diver's first dive, the model every generated dive is made from.
bool DemoBase(SimDb& db, Json::Value& base) {
  std::vector<StoredLog> demo = db.AllLogs(kDemoUserId);
  Json::CharReaderBuilder reader;
  std::string errors;
  std::istringstream text(demo.empty() ? std::string("{}") : demo.front().json);
  return Json::parseFromStream(reader, text, &base, &errors);
}

}  // namespace

bool SeedBenchLogs(SimDb& db, int year, int month) {
  Json::Value base;
  if (!DemoBase(db, base)) return false;
  if (!db.Exec("BEGIN")) return false;
  bool ok = true;
  auto put = [&](const char* id, int64_t local, int samples, int events) {
    std::string json = Variant(base, id, local, samples, events);
    ok = ok &&
         db.PutLog({id, kDemoUserId, local + base["timezone"].asInt() * 60, base["timezone"].asInt(), "scuba", json});
  };
  char id[16];
  for (int i = 0; i < 50; ++i) {
    std::snprintf(id, sizeof id, "b%06d", i + 1);
    put(id, LocalSeconds(year, month, 10, 6 + i / 4, (i % 4) * 15), 300, 2);
  }
  put("b010000", LocalSeconds(year, month, 11, 9, 0), 10000, 50);
  put("b100000", LocalSeconds(year, month, 12, 9, 0), 100000, 50);
  return db.Exec(ok ? "COMMIT" : "ROLLBACK") && ok;
}

bool SeedGeneratedDives(SimDb& db, int count, int last_year, int last_month) {
  Json::Value base;
  if (!DemoBase(db, base)) return false;
  if (!db.Exec("BEGIN")) return false;
  bool ok = true;
  int year = last_year, month = last_month;
  for (int i = 0; ok && i < count; ++i) {
    // Four dives on each of two days a month, month after month back.
    const int in_month = i % 8;
    if (i > 0 && in_month == 0 && --month == 0) month = 12, --year;
    char id[16];
    std::snprintf(id, sizeof id, "g%06d", i + 1);
    const int64_t local = LocalSeconds(year, month, in_month < 4 ? 5 : 20, 8 + 2 * (in_month % 4), 0);
    const std::string json = Variant(base, id, local, 300, 2);
    ok = db.PutLog({id, kDemoUserId, local + base["timezone"].asInt() * 60, base["timezone"].asInt(), "scuba", json});
  }
  return db.Exec(ok ? "COMMIT" : "ROLLBACK") && ok;
}

}  // namespace orv::sim
