#include "export/export_dive.h"

#include <algorithm>

#include "cloud/json_read.h"
#include "values/civil_date.h"

namespace orv {

int64_t ExportDive::LocalStart() const { return LocalStartSeconds(start_utc, timezone_minutes); }

int64_t ExportDive::LocalDay() const { return FloorDiv(LocalStart(), 86400); }

int32_t OxygenPercent(int32_t po2) { return po2 >= 1 && po2 <= 100 ? po2 : 0; }

namespace {

int64_t Int64Member(const DiveLog& log, const char* name) {
  const Json::Value& v = JsonMember(log, name);
  return v.isInt64() ? v.asInt64() : JsonInt(log, name);
}

std::vector<ExportSample> Samples(const DiveLog& log, double max_depth) {
  std::vector<ExportSample> out;
  const Json::Value& list = JsonMember(log, "dive_profiles");
  if (!list.isArray()) return out;
  const int32_t water = LogInt(log, "water_type");
  const double surface = LogDecimal(log, "altitude");
  out.reserve(list.size());
  for (const Json::Value& sample : list) {
    ExportSample s;
    s.time = LogInt(sample, "profile_time");
    s.depth = WidenDecimal(DepthFromPressure(surface, LogDecimal(sample, "pressure"), water));
    // A record without its maximum depth must not flatten the whole profile.
    if (max_depth > 0) s.depth = std::min(s.depth, max_depth);
    // Only dives read from the dive computer carry a temperature per sample.
    s.has_temperature = JsonMember(sample, "temperature").isString();
    if (s.has_temperature) s.temperature = LogDecimalWide(sample, "temperature");
    out.push_back(s);
  }
  return out;
}

std::vector<ExportEvent> Events(const DiveLog& log) {
  std::vector<ExportEvent> out;
  const Json::Value& list = JsonMember(log, "events");
  if (!list.isArray()) return out;
  for (const Json::Value& e : list)
    out.push_back({LogInt(e, "event_time"), LogInt(e, "event_code"), LogInt(e, "event_value")});
  return out;
}

}  // namespace

ExportDive MakeExportDive(const DiveLog& log) {
  ExportDive d;
  d.id = LogText(log, "divelog_id");
  d.start_utc = Int64Member(log, "dive_datetime");
  d.timezone_minutes = Int64Member(log, "timezone");
  d.type = LogDiveType(log);
  d.max_depth = LogDecimalWide(log, "max_depth");
  d.average_depth = LogDecimalWide(log, "average_depth");
  d.duration = LogInt(log, "dive_duration");
  // A missing temperature is no reading, not 0 degrees.
  d.has_water_temperature = !LogText(log, "min_temperature").empty();
  d.water_temperature = LogDecimalWide(log, "min_temperature");
  d.has_air_temperature = !LogText(log, "air_temperature").empty();
  d.air_temperature = LogDecimalWide(log, "air_temperature");
  d.has_cylinder = d.type != DiveType::Free;
  d.start_pressure = LogDecimalWide(log, "air_in_text");
  d.end_pressure = LogDecimalWide(log, "air_out_text");
  d.cylinder_volume = LogWholeNumber(log, "cylinder_size_text");
  d.oxygen_percent = d.has_cylinder ? OxygenPercent(LogInt(log, "po2")) : 0;
  d.weather = LogInt(log, "weather_type");
  d.wave = LogInt(log, "wave_type");
  d.current = LogInt(log, "current_type");
  d.visibility = LogInt(log, "visibility_type");
  d.suit_thickness = LogDecimalWide(log, "suit_thickness");
  d.weight = LogDecimalWide(log, "weight");
  d.has_site = PoiIdPresent(log);
  if (d.has_site) {
    d.site_id = PoiIdText(log);
    d.site_name = JsonText(JsonMember(log, "poi"), "poi_name");
    if (d.site_name.empty()) d.site_name = d.site_id;
    d.site = PoiLocation(log);
  }
  d.entry = LogPosition(log, "entry_position");
  d.exit = LogPosition(log, "exit_position");
  d.samples = Samples(log, d.max_depth);
  d.events = Events(log);
  return d;
}

}  // namespace orv
