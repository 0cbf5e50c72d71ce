#include "cli/dive_json.h"

#include <json/writer.h>

#include <charconv>
#include <cmath>
#include <iostream>

#include "cloud/json_read.h"
#include "values/value_text.h"

namespace orv::cli {

namespace {

Json::StreamWriterBuilder Builder(const char* indentation) {
  Json::StreamWriterBuilder writer;
  writer["indentation"] = indentation;
  writer["emitUTF8"] = true;
  writer["precision"] = 15;
  return writer;
}

}  // namespace

void PrintJson(const Json::Value& document) { std::cout << Json::writeString(Builder("  "), document) << '\n'; }

std::string LocalStartText(int64_t local_start) {
  const CivilTime t = BreakDownUtc(local_start);
  return PaddedInt(t.year, 4) + "-" + PaddedInt(t.month, 2) + "-" + PaddedInt(t.day, 2) + "T" + PaddedInt(t.hour, 2) +
         ":" + PaddedInt(t.minute, 2);
}

Json::Value OptionalNumber(const std::optional<double>& value) {
  return value ? Json::Value(*value) : Json::Value(Json::nullValue);
}

namespace {

// %.15g, as PrintJson writes numbers, in the C locale whatever the desktop's.
void AppendNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
  out.append(text, result.ptr);
}

void AppendMember(std::string& out, const char* name) {
  out += out.size() > 1 ? ", \"" : "\"";
  out += name;
  out += "\": ";
}

}  // namespace

std::string SummaryJsonText(const DiveSummary& d) {
  std::string out = "{";
  AppendMember(out, "id");
  AppendJsonString(out, d.id);
  AppendMember(out, "start_local");
  AppendJsonString(out, LocalStartText(d.local_start));
  AppendMember(out, "mode");
  AppendJsonString(out, DiveTypeName(d.mode));
  AppendMember(out, "max_depth_m");
  AppendNumber(out, d.max_depth_m);
  AppendMember(out, "average_depth_m");
  AppendNumber(out, d.average_depth_m);
  AppendMember(out, "duration_s");
  out += std::to_string(d.duration_s);
  AppendMember(out, "water_temp_c");
  AppendNumber(out, d.water_temp_c);
  AppendMember(out, "air_use_l_min");
  if (d.air_lpm)
    AppendNumber(out, *d.air_lpm);
  else
    out += "null";
  AppendMember(out, "site");
  AppendJsonString(out, d.site);
  AppendMember(out, "region");
  AppendJsonString(out, d.region);
  AppendMember(out, "entry");
  if (d.entry) {
    out += "{\"latitude_deg\": ";
    AppendNumber(out, d.entry->latitude);
    out += ", \"longitude_deg\": ";
    AppendNumber(out, d.entry->longitude);
    out += "}";
  } else {
    out += "null";
  }
  return out + "}";
}

Json::Value SummaryJson(const DiveSummary& d) {
  Json::Value v;
  ParseOutsideJson(SummaryJsonText(d), v, JsonStrictness::Strict);
  return v;
}

}  // namespace orv::cli
