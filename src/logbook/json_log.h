// A dive record parsed by JsonCpp (as every reply is), seen through the
// read-only view that the dive's builders are written against (the export's
// ExportDive, the summary, the detail page and its chart): `Log` has Text,
// IsString, Int, Int64, Decimal, Point, PoiPresent, PoiId, PoiName,
// PoiPoint, ForEach (array items) and ForEachValue (array items or object
// member values), all by the rules of dive_log_read.h. SimdLog
// (logbook/simd_log.h) is the same view over simdjson.
#pragma once

#include "cloud/json_read.h"
#include "logbook/dive_log_read.h"

namespace orv {

class JsonLog {
 public:
  explicit JsonLog(const Json::Value& value) : v_(value) {}
  std::string Text(const char* name) const { return LogText(v_, name); }
  bool IsString(const char* name) const { return JsonMember(v_, name).isString(); }
  int32_t Int(const char* name) const { return LogInt(v_, name); }
  int64_t Int64(const char* name) const { return JsonInt64(v_, name); }
  float Decimal(const char* name) const { return LogDecimal(v_, name); }
  GeoPoint Point(const char* name) const { return LogPosition(v_, name); }
  bool PoiPresent() const { return PoiIdPresent(v_); }
  std::string PoiId() const { return PoiIdText(v_); }
  std::string PoiName() const { return JsonText(JsonMember(v_, "poi"), "poi_name"); }
  std::string PoiRegion() const { return JsonText(JsonMember(v_, "poi"), "poi_region"); }
  GeoPoint PoiPoint() const { return PoiLocation(v_); }
  template <class Each>
  void ForEach(const char* name, Each each) const {
    const Json::Value& list = JsonMember(v_, name);
    if (list.isArray())
      for (const Json::Value& item : list) each(JsonLog(item));
  }
  template <class Each>
  void ForEachValue(const char* name, Each each) const {
    const Json::Value& list = JsonMember(v_, name);
    if (list.isArray() || list.isObject())
      for (const Json::Value& item : list) each(JsonLog(item));
  }
  size_t Count(const char* name) const {
    const Json::Value& list = JsonMember(v_, name);
    return list.isArray() || list.isObject() ? list.size() : 0;
  }

 private:
  const Json::Value& v_;
};

}  // namespace orv
