#include "logbook/dive_summary.h"

#include <glib.h>

#include "cloud/json_read.h"

namespace orv {

namespace {

std::optional<double> PositiveRate(std::optional<double> rate) { return rate && *rate > 0.0 ? rate : std::nullopt; }

}  // namespace

DiveSummary SummarizeDive(const std::string& id, const DiveLog& log) {
  DiveSummary s;
  s.id = id;
  s.local_start = LocalStartSeconds(JsonInt64(log, "dive_datetime"), JsonInt64(log, "timezone"));
  s.mode = LogDiveType(log);
  s.max_depth_m = LogDecimalWide(log, "max_depth");
  s.average_depth_m = LogDecimalWide(log, "average_depth");
  s.duration_s = LogInt(log, "dive_duration");
  s.water_temp_c = LogDecimalWide(log, "min_temperature");
  if (s.mode != DiveType::Free) {
    const double start = LogDecimalWide(log, "air_in_text"), end = LogDecimalWide(log, "air_out_text");
    const int32_t volume = LogWholeNumber(log, "cylinder_size_text");
    const int32_t seconds = LogInt(log, "dive_duration"), water = LogInt(log, "water_type");
    s.air_lpm = PositiveRate(AirUseRate(s.average_depth_m, seconds, water, start, end, volume, false));
    s.air_cuft = PositiveRate(AirUseRate(s.average_depth_m, seconds, water, start, end, volume, true));
  }
  const Json::Value& poi = JsonMember(log, "poi");
  s.site = JsonText(poi, "poi_name");
  s.region = JsonText(poi, "poi_region");
  const GeoPoint entry = LogPosition(log, "entry_position");
  if (entry.latitude != 0.0 || entry.longitude != 0.0) s.entry = entry;
  return s;
}

std::string FoldForSearch(const std::string& text) {
  gchar* normal = g_utf8_normalize(text.data(), static_cast<gssize>(text.size()), G_NORMALIZE_NFKC);
  // Not UTF-8: compared byte for byte rather than dropped from every search.
  if (!normal) return text;
  gchar* folded = g_utf8_casefold(normal, -1);
  std::string out(folded);
  g_free(folded);
  g_free(normal);
  return out;
}

}  // namespace orv
