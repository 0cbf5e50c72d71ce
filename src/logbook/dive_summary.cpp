#include "logbook/dive_summary.h"

#include <glib.h>

#include "logbook/json_log.h"
#include "logbook/simd_log.h"

namespace orv {

namespace {

std::optional<double> PositiveRate(std::optional<double> rate) { return rate && *rate > 0.0 ? rate : std::nullopt; }

template <class Log>
DiveSummary Summarize(const std::string& id, const Log& log) {
  DiveSummary s;
  s.id = id;
  s.local_start = LocalStartSeconds(log.Int64("dive_datetime"), log.Int64("timezone"));
  s.mode = DecodeDiveType(log.Text("dive_type"));
  s.max_depth_m = WidenDecimal(log.Decimal("max_depth"));
  s.average_depth_m = WidenDecimal(log.Decimal("average_depth"));
  s.duration_s = log.Int("dive_duration");
  s.water_temp_c = WidenDecimal(log.Decimal("min_temperature"));
  if (s.mode != DiveType::Free) {
    const double start = WidenDecimal(log.Decimal("air_in_text")), end = WidenDecimal(log.Decimal("air_out_text"));
    const int32_t volume = TruncateToInt32(log.Decimal("cylinder_size_text"));
    const int32_t seconds = log.Int("dive_duration"), water = log.Int("water_type");
    s.air_lpm = PositiveRate(AirUseRate(s.average_depth_m, seconds, water, start, end, volume, false));
    s.air_cuft = PositiveRate(AirUseRate(s.average_depth_m, seconds, water, start, end, volume, true));
  }
  s.site = log.PoiName();
  s.region = log.PoiRegion();
  const GeoPoint entry = log.Point("entry_position");
  if (entry.latitude != 0.0 || entry.longitude != 0.0) s.entry = entry;
  return s;
}

}  // namespace

DiveSummary SummarizeDive(const std::string& id, const DiveLog& log) { return Summarize(id, JsonLog(log)); }

DiveSummary SummarizeDive(const std::string& id, const SimdLog& log) { return Summarize(id, log); }

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
