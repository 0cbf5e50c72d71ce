// How a dive record becomes an ExportDive, written once for every way the
// record is read: `Log` is a read-only view of one JSON object with the
// dive_log_read.h rules (a member absent or of another type reads as 0 or
// empty text). Both views must read a record to the same values.
#pragma once

#include <algorithm>

#include "divelog/dive_values.h"
#include "export/export_dive.h"

namespace orv {

template <class Log>
ExportDive BuildExportDive(const Log& log) {
  ExportDive d;
  d.id = log.Text("divelog_id");
  d.start_utc = log.Int64("dive_datetime");
  d.timezone_minutes = log.Int64("timezone");
  d.type = DecodeDiveType(log.Text("dive_type"));
  d.max_depth = WidenDecimal(log.Decimal("max_depth"));
  d.average_depth = WidenDecimal(log.Decimal("average_depth"));
  d.duration = log.Int("dive_duration");
  // A missing temperature is no reading, not 0 degrees.
  d.has_water_temperature = !log.Text("min_temperature").empty();
  d.water_temperature = WidenDecimal(log.Decimal("min_temperature"));
  d.has_air_temperature = !log.Text("air_temperature").empty();
  d.air_temperature = WidenDecimal(log.Decimal("air_temperature"));
  d.has_cylinder = d.type != DiveType::Free;
  d.start_pressure = WidenDecimal(log.Decimal("air_in_text"));
  d.end_pressure = WidenDecimal(log.Decimal("air_out_text"));
  d.cylinder_volume = TruncateToInt32(log.Decimal("cylinder_size_text"));
  d.oxygen_percent = d.has_cylinder ? OxygenPercent(log.Int("po2")) : 0;
  d.weather = log.Int("weather_type");
  d.wave = log.Int("wave_type");
  d.current = log.Int("current_type");
  d.visibility = log.Int("visibility_type");
  d.suit_thickness = WidenDecimal(log.Decimal("suit_thickness"));
  d.weight = WidenDecimal(log.Decimal("weight"));
  d.has_site = log.PoiPresent();
  if (d.has_site) {
    d.site_id = log.PoiId();
    d.site_name = log.PoiName();
    if (d.site_name.empty()) d.site_name = d.site_id;
    d.site = log.PoiPoint();
  }
  d.entry = log.Point("entry_position");
  d.exit = log.Point("exit_position");
  const int32_t water = log.Int("water_type");
  const double surface = log.Decimal("altitude");
  log.ForEach("dive_profiles", [&](const Log& sample) {
    ExportSample s;
    s.time = sample.Int("profile_time");
    s.depth = WidenDecimal(DepthFromPressure(surface, sample.Decimal("pressure"), water));
    // A record without its maximum depth must not flatten the whole profile.
    if (d.max_depth > 0) s.depth = std::min(s.depth, d.max_depth);
    // Only dives read from the dive computer carry a temperature per sample.
    s.has_temperature = sample.IsString("temperature");
    if (s.has_temperature) s.temperature = WidenDecimal(sample.Decimal("temperature"));
    d.samples.push_back(s);
  });
  log.ForEach("events", [&](const Log& e) {
    d.events.push_back({e.Int("event_time"), e.Int("event_code"), e.Int("event_value")});
  });
  return d;
}

}  // namespace orv
