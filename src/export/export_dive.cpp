#include "export/export_dive.h"

#include <algorithm>

#include "cloud/json_read.h"
#include "export/export_dive_build.h"
#include "values/civil_date.h"

namespace orv {

int64_t ExportDive::LocalStart() const { return LocalStartSeconds(start_utc, timezone_minutes); }

int64_t ExportDive::LocalDay() const { return FloorDiv(LocalStart(), 86400); }

int32_t OxygenPercent(int32_t po2) { return po2 >= 1 && po2 <= 100 ? po2 : 0; }

namespace {

// The record as the service's reply parsed it (JsonCpp), read by the rules
// every reader of a dive follows (dive_log_read.h).
class JsonLog {
 public:
  explicit JsonLog(const Json::Value& value) : v_(value) {}
  std::string Text(const char* name) const { return LogText(v_, name); }
  bool IsString(const char* name) const { return JsonMember(v_, name).isString(); }
  int32_t Int(const char* name) const { return LogInt(v_, name); }
  int64_t Int64(const char* name) const {
    const Json::Value& v = JsonMember(v_, name);
    return v.isInt64() ? v.asInt64() : JsonInt(v_, name);
  }
  float Decimal(const char* name) const { return LogDecimal(v_, name); }
  GeoPoint Point(const char* name) const { return LogPosition(v_, name); }
  bool PoiPresent() const { return PoiIdPresent(v_); }
  std::string PoiId() const { return PoiIdText(v_); }
  std::string PoiName() const { return JsonText(JsonMember(v_, "poi"), "poi_name"); }
  GeoPoint PoiPoint() const { return PoiLocation(v_); }
  template <class Each>
  void ForEach(const char* name, Each each) const {
    const Json::Value& list = JsonMember(v_, name);
    if (list.isArray())
      for (const Json::Value& item : list) each(JsonLog(item));
  }

 private:
  const Json::Value& v_;
};

}  // namespace

ExportDive MakeExportDive(const DiveLog& log) { return BuildExportDive(JsonLog(log)); }

}  // namespace orv
