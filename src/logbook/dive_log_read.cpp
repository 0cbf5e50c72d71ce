#include "logbook/dive_log_read.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "cloud/json_read.h"
#include "values/units.h"

namespace orv {

double WidenDecimal(float value) {
  if (!std::isfinite(value)) return 0.0;
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  if (ec != std::errc()) return static_cast<double>(value);
  double wide = 0.0;
  auto [ptr, ec2] = std::from_chars(buf, end, wide);
  return ec2 == std::errc() && ptr == end ? wide : static_cast<double>(value);
}

int32_t TruncateToInt32(double value) {
  if (!std::isfinite(value)) return 0;
  constexpr double lo = std::numeric_limits<int32_t>::min();
  constexpr double hi = std::numeric_limits<int32_t>::max();
  if (value <= lo) return std::numeric_limits<int32_t>::min();
  if (value >= hi) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

float LogDecimal(const DiveLog& log, const char* member) {
  // Read in place, not copied out: a long profile asks this of every sample.
  const Json::Value& v = JsonMember(log, member);
  const char* begin = nullptr;
  const char* end = nullptr;
  if (!v.isString() || !v.getString(&begin, &end)) return 0.0f;
  return ReadDecimal(std::string_view(begin, static_cast<size_t>(end - begin)));
}

double LogDecimalWide(const DiveLog& log, const char* member) { return WidenDecimal(LogDecimal(log, member)); }

int32_t LogWholeNumber(const DiveLog& log, const char* member) { return TruncateToInt32(LogDecimal(log, member)); }

int32_t LogInt(const DiveLog& log, const char* member) { return JsonInt(log, member); }

std::string LogText(const DiveLog& log, const char* member) { return JsonText(log, member); }

DiveType LogDiveType(const DiveLog& log) { return DecodeDiveType(JsonText(log, "dive_type")); }

namespace {

double FiniteNumber(const Json::Value& object, const char* name) {
  const double v = JsonNumber(object, name);
  return std::isfinite(v) ? v : 0.0;
}

GeoPoint PointOf(const Json::Value& object) {
  return {FiniteNumber(object, "latitude"), FiniteNumber(object, "longitude")};
}

}  // namespace

GeoPoint LogPosition(const DiveLog& log, const char* member) { return PointOf(JsonMember(log, member)); }

bool PoiIdPresent(const DiveLog& log) {
  const Json::Value& id = JsonMember(JsonMember(log, "poi"), "poi_id");
  if (id.isNull()) return false;
  if ((id.isArray() || id.isObject()) && id.empty()) return false;
  return true;
}

std::string PoiIdText(const DiveLog& log) {
  const Json::Value& id = JsonMember(JsonMember(log, "poi"), "poi_id");
  if (id.isString()) return id.asString();
  // A numeric id is still an id; keeping its digits keeps the site when the
  // dive is stored again (as the string the service defines it to be).
  if (id.isInt64()) return std::to_string(id.asInt64());
  if (id.isUInt64()) return std::to_string(id.asUInt64());
  return {};
}

GeoPoint PoiLocation(const DiveLog& log) { return PointOf(JsonMember(JsonMember(log, "poi"), "gps_location")); }

}  // namespace orv
