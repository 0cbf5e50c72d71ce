#include "divelog/dive_log.h"

#include <cmath>

#include <json/writer.h>

#include "cloud/json_read.h"
#include "values/value_text.h"

namespace orv {

LogEditRecord FillEditRecord(const DiveLog& log) {
  LogEditRecord r;
  r.dive_type = LogDiveType(log);
  if (PoiIdPresent(log)) {
    const GeoPoint site = PoiLocation(log);
    r.site_latitude = site.latitude;
    r.site_longitude = site.longitude;
  }
  const GeoPoint entry = LogPosition(log, "entry_position");
  r.entry_latitude = entry.latitude;
  r.entry_longitude = entry.longitude;
  const GeoPoint exit = LogPosition(log, "exit_position");
  r.exit_latitude = exit.latitude;
  r.exit_longitude = exit.longitude;
  r.start_pressure = LogDecimalWide(log, "air_in_text");
  r.end_pressure = LogDecimalWide(log, "air_out_text");
  r.cylinder_volume = LogWholeNumber(log, "cylinder_size_text");
  r.weather = LogInt(log, "weather_type");
  r.wave = LogInt(log, "wave_type");
  r.current = LogInt(log, "current_type");
  r.visibility = LogInt(log, "visibility_type");
  r.suit_thickness = LogDecimalWide(log, "suit_thickness");
  r.weight = LogDecimalWide(log, "weight");
  if (PoiIdPresent(log)) r.site_id = PoiIdText(log);
  return r;
}

namespace {

// The object member `name` of `parent`, made an object first when it is
// absent or of another type (JsonCpp aborts on member access otherwise).
Json::Value& ObjectMember(Json::Value& parent, const char* name) {
  Json::Value& member = parent[name];
  if (!member.isObject()) member = Json::Value(Json::objectValue);
  return member;
}

double Finite(double value) { return std::isfinite(value) ? value : 0.0; }

// "%.6f" without a negative zero, whatever the desktop's locale.
std::string SixDecimals(double value) { return FixedText(Finite(value) + 0.0, 6); }

}  // namespace

void MergeEditRecord(const LogEditRecord& record, DiveLog& log) {
  if (!log.isObject()) log = Json::Value(Json::objectValue);
  // Only what the edit changed is written. A member the diver left alone goes
  // back exactly as the service sent it: rewriting it from the record would
  // reformat it ("200" as "200.000000"), cut it (a suit of 3.5 mm to 3) or
  // plant members the dive never had, and every save would drift further.
  const LogEditRecord was = FillEditRecord(log);

  if (record.site_id != was.site_id || record.site_latitude != was.site_latitude ||
      record.site_longitude != was.site_longitude) {
    // A different site than the one the dive named: start its `poi` afresh.
    const bool same_site = (PoiIdPresent(log) ? PoiIdText(log) : std::string()) == record.site_id;
    if (!same_site) log["poi"] = Json::Value(Json::objectValue);
    Json::Value& poi = ObjectMember(log, "poi");
    poi["poi_id"] = record.site_id;
    Json::Value& gps = ObjectMember(poi, "gps_location");
    gps["latitude"] = Finite(record.site_latitude);
    gps["longitude"] = Finite(record.site_longitude);
  }

  if (record.suit_thickness != was.suit_thickness)
    log["suit_thickness"] = std::to_string(TruncateToInt32(record.suit_thickness));
  if (record.weight != was.weight) log["weight"] = SixDecimals(record.weight);
  if (record.weather != was.weather) log["weather_type"] = record.weather;
  if (record.wave != was.wave) log["wave_type"] = record.wave;
  if (record.current != was.current) log["current_type"] = record.current;
  if (record.visibility != was.visibility) log["visibility_type"] = record.visibility;
  // The dialog hides the cylinder of a free dive; rewriting what it never
  // showed would only reformat (or, for text that is no number, lose) it.
  if (record.dive_type == DiveType::Free) return;
  if (record.start_pressure != was.start_pressure) log["air_in_text"] = SixDecimals(record.start_pressure);
  if (record.end_pressure != was.end_pressure) log["air_out_text"] = SixDecimals(record.end_pressure);
  if (record.cylinder_volume != was.cylinder_volume) log["cylinder_size_text"] = std::to_string(record.cylinder_volume);
}

std::string DiveLogJsonText(const DiveLog& log) {
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "   ";
  writer["emitUTF8"] = true;
  return Json::writeString(writer, log);
}

}  // namespace orv
