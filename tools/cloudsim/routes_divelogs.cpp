// Dive log endpoints: calendar month and date, one dive, PATCH, statistics.
#include <json/reader.h>
#include <json/writer.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "service.h"

namespace orv::sim {

namespace {

// A query value that must be exactly `digits` decimal digits.
bool DigitsValue(const SimRequest& r, const char* name, std::size_t digits, int& out) {
  auto it = r.query.find(name);
  if (it == r.query.end() || it->second.size() != digits) return false;
  for (char c : it->second)
    if (c < '0' || c > '9') return false;
  out = std::atoi(it->second.c_str());
  return true;
}

bool ParseObject(const std::string& text, Json::Value& out) {
  Json::CharReaderBuilder builder;
  builder.settings_["failIfExtra"] = true;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  try {
    return reader->parse(text.data(), text.data() + text.size(), &out, nullptr) && out.isObject();
  } catch (const std::exception&) {
    return false;
  }
}

std::string Text(const Json::Value& log, const char* name) {
  const Json::Value& v = log.isObject() ? log[name] : Json::Value::nullSingleton();
  return v.isString() ? v.asString() : std::string();
}

Json::Int64 Integer(const Json::Value& log, const char* name) {
  const Json::Value& v = log.isObject() ? log[name] : Json::Value::nullSingleton();
  return v.isIntegral() ? v.asInt64() : 0;
}

#define REQUIRE_USER(s, r)          \
  auto user_id = (s).Authorised(r); \
  if (!user_id) return Service::Failure(kCodeNoToken)

SimReply Month(Service& s, const SimRequest& r, const std::vector<std::string>&) {
  REQUIRE_USER(s, r);
  int ym = 0;
  if (!DigitsValue(r, "year_month", 6, ym) || ym % 100 < 1 || ym % 100 > 12) return Service::Failure(kCodeBadRequest);
  std::map<int, std::pair<int, int>> days;  // date -> scuba (gauge included), free
  for (const StoredLog& log : s.db().LogsBetween(*user_id, ym * 100 + 1, ym * 100 + 31)) {
    auto& counts = days[LocalDate(log.dive_datetime, log.timezone)];
    (log.dive_type == "free" ? counts.second : counts.first)++;
  }
  Json::Value summary(Json::arrayValue);
  for (const auto& [date, counts] : days) {
    Json::Value entry;
    entry["year_month_date"] = std::to_string(date);
    entry["scuba_count"] = counts.first;
    entry["free_count"] = counts.second;
    summary.append(entry);
  }
  Json::Value response;
  response["month_summary"] = summary;
  return Service::Ok(response);
}

SimReply Date(Service& s, const SimRequest& r, const std::vector<std::string>&) {
  REQUIRE_USER(s, r);
  int date = 0;
  if (!DigitsValue(r, "year_month_date", 8, date)) return Service::Failure(kCodeBadRequest);
  Json::Value list(Json::arrayValue);
  for (const StoredLog& stored : s.db().LogsBetween(*user_id, date, date)) {
    Json::Value log;
    ParseObject(stored.json, log);
    Json::Value item;
    item["divelog_id"] = stored.divelog_id;
    item["dive_datetime"] = static_cast<Json::Int64>(stored.dive_datetime);
    item["timezone"] = stored.timezone;
    item["dive_type"] = stored.dive_type;
    item["max_depth"] = Text(log, "max_depth");
    item["dive_duration"] = static_cast<Json::Int64>(Integer(log, "dive_duration"));
    list.append(item);
  }
  Json::Value response;
  response["divelogs"] = list;
  return Service::Ok(response);
}

SimReply One(Service& s, const SimRequest& r, const std::vector<std::string>& args) {
  REQUIRE_USER(s, r);
  auto stored = s.db().Log(args[0]);
  // Every stored text was written from a JSON object; it goes out as stored,
  // since reading a long profile only to write it again would make the
  // service, not the program, what a benchmark of the dive's view measures.
  if (!stored || stored->user_id != *user_id || stored->json.rfind('{', 0) != 0) return Service::Failure(kCodeNotFound);
  return Service::OkWithText("divelog", stored->json);
}

// Stores the whole object sent; the id in the path names the dive.
SimReply Patch(Service& s, const SimRequest& r, const std::vector<std::string>& args) {
  REQUIRE_USER(s, r);
  auto stored = s.db().Log(args[0]);
  if (!stored || stored->user_id != *user_id) return Service::Failure(kCodeNotFound);
  Json::Value log;
  if (!ParseObject(r.body, log)) return Service::Failure(kCodeBadRequest);
  const Json::Value& id = log["divelog_id"];
  if (!id.isNull() && (!id.isString() || id.asString() != args[0])) return Service::Failure(kCodeBadRequest);
  log["divelog_id"] = args[0];
  StoredLog updated = *stored;
  updated.dive_datetime = Integer(log, "dive_datetime");
  updated.timezone = static_cast<int32_t>(Integer(log, "timezone"));
  updated.dive_type = Text(log, "dive_type");
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  updated.json = Json::writeString(writer, log);
  if (!s.db().PutLog(updated)) return Service::Failure(kCodeBadRequest);
  return Service::Ok(Json::Value(Json::objectValue));
}

SimReply Statistics(Service& s, const SimRequest& r, const std::vector<std::string>& args) {
  REQUIRE_USER(s, r);
  if (args[0] != *user_id) return Service::Failure(kCodeForbidden);
  Json::Int64 scuba_time = 0, free_time = 0;
  int scuba_count = 0, free_count = 0;
  double scuba_max = 0, free_max = 0;
  for (const StoredLog& stored : s.db().AllLogs(*user_id)) {
    Json::Value log;
    ParseObject(stored.json, log);
    double depth = std::strtod(Text(log, "max_depth").c_str(), nullptr);
    Json::Int64 duration = Integer(log, "dive_duration");
    if (stored.dive_type == "scuba") {
      ++scuba_count, scuba_time += duration, scuba_max = std::max(scuba_max, depth);
    } else if (stored.dive_type == "free") {
      ++free_count, free_time += duration, free_max = std::max(free_max, depth);
    }
  }
  char buf[32];
  Json::Value response;
  response["scuba_mode_count"] = scuba_count;
  response["scuba_dive_time"] = scuba_time;
  std::snprintf(buf, sizeof buf, "%.2f", scuba_max);
  response["scuba_max_depth"] = buf;
  response["freedive_mode_count"] = free_count;
  response["free_dive_time"] = free_time;
  std::snprintf(buf, sizeof buf, "%.2f", free_max);
  response["free_max_depth"] = buf;
  return Service::Ok(response);
}

}  // namespace

void AddDiveLogRoutes(Service& service) {
  service.AddRoute({"GET", "/api/v1/divelogs/calendar/month", "calendar_month", Month});
  service.AddRoute({"GET", "/api/v1/divelogs/calendar/date", "calendar_date", Date});
  service.AddRoute({"GET", "/api/v1/divelogs/divelog/{}", "divelog", One});
  service.AddRoute({"PATCH", "/api/v1/divelogs/{}", "patch_divelog", Patch});
  service.AddRoute({"GET", "/api/v1/users/{}/statistics", "statistics", Statistics});
}

}  // namespace orv::sim
