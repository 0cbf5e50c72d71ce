#include "cli/dive_json.h"

#include <json/writer.h>

#include <iostream>

#include "values/value_text.h"

namespace orv::cli {

void PrintJson(const Json::Value& document) {
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "  ";
  writer["emitUTF8"] = true;
  writer["precision"] = 15;
  std::cout << Json::writeString(writer, document) << '\n';
}

std::string LocalStartText(int64_t local_start) {
  const CivilTime t = BreakDownUtc(local_start);
  return PaddedInt(t.year, 4) + "-" + PaddedInt(t.month, 2) + "-" + PaddedInt(t.day, 2) + "T" + PaddedInt(t.hour, 2) +
         ":" + PaddedInt(t.minute, 2);
}

Json::Value OptionalNumber(const std::optional<double>& value) {
  return value ? Json::Value(*value) : Json::Value(Json::nullValue);
}

Json::Value SummaryJson(const DiveSummary& d) {
  Json::Value v(Json::objectValue);
  v["id"] = d.id;
  v["start_local"] = LocalStartText(d.local_start);
  v["mode"] = DiveTypeName(d.mode);
  v["max_depth_m"] = d.max_depth_m;
  v["average_depth_m"] = d.average_depth_m;
  v["duration_s"] = Json::Int64(d.duration_s);
  v["water_temp_c"] = d.water_temp_c;
  v["air_use_l_min"] = OptionalNumber(d.air_lpm);
  v["site"] = d.site;
  v["region"] = d.region;
  v["entry"] = Json::Value(Json::nullValue);
  if (d.entry) {
    v["entry"]["latitude_deg"] = d.entry->latitude;
    v["entry"]["longitude_deg"] = d.entry->longitude;
  }
  return v;
}

}  // namespace orv::cli
