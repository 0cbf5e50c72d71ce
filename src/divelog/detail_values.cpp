// The texts of the detail page for one dive.
#include "divelog/dive_map_draw.h"
#include "logbook/json_log.h"
#include "logbook/simd_log.h"
#include "values/units.h"

namespace orv {

namespace {

template <class Log>
Json::Value Values(const Log& log) {
  using U = DisplayUnits;
  const bool free_dive = DecodeDiveType(log.Text("dive_type")) == DiveType::Free;
  const std::string na = "N/A";
  const int32_t volume = TruncateToInt32(log.Decimal("cylinder_size_text"));
  Json::Value v(Json::objectValue);
  v["log_date"] = StartTimeText(log.Int64("dive_datetime"), log.Int64("timezone"));
  v["log_type"] = DiveTypeWord(DecodeDiveType(log.Text("dive_type")));
  v["log_s_bar"] = free_dive ? na : U::Pressure(WidenDecimal(log.Decimal("air_in_text")));
  v["log_s_bar_unit"] = U::PressureWord();
  v["log_e_bar"] = free_dive ? na : U::Pressure(WidenDecimal(log.Decimal("air_out_text")));
  v["log_e_bar_unit"] = U::PressureWord();
  v["log_volume"] = free_dive ? na : U::Volume(volume);
  v["log_volume_unit"] = U::VolumeWord();
  v["log_sac"] = free_dive
                     ? na
                     : U::AirConsumption(SacRate(WidenDecimal(log.Decimal("average_depth")), log.Int("dive_duration"),
                                                 log.Int("water_type"), WidenDecimal(log.Decimal("air_in_text")),
                                                 WidenDecimal(log.Decimal("air_out_text")), volume));
  v["log_sac_unit"] = U::AirConsumptionWord();
  v["log_o2"] = free_dive ? na : std::to_string(log.Int("po2"));
  v["log_max_depth"] = U::Depth(WidenDecimal(log.Decimal("max_depth")));
  v["log_max_depth_unit"] = U::DepthWord();
  v["log_avg_depth"] = U::Depth(WidenDecimal(log.Decimal("average_depth")));
  v["log_avg_depth_unit"] = U::DepthWord();
  v["log_dive_time"] = DurationText(log.Int("dive_duration"));
  v["log_weather"] = ConditionWord(ConditionScale::Weather, log.Int("weather_type"));
  v["log_air_temp"] = U::Temperature(WidenDecimal(log.Decimal("air_temperature")));
  v["log_air_temp_unit"] = U::TemperatureWord();
  v["log_water_temp"] = U::Temperature(WidenDecimal(log.Decimal("min_temperature")));
  v["log_water_temp_unit"] = U::TemperatureWord();
  v["log_wave"] = ConditionWord(ConditionScale::Waves, log.Int("wave_type"));
  v["log_current"] = ConditionWord(ConditionScale::Current, log.Int("current_type"));
  v["log_visibility"] = ConditionWord(ConditionScale::Visibility, log.Int("visibility_type"));
  v["log_suit_thickness"] = U::SuitThickness(WidenDecimal(log.Decimal("suit_thickness")));
  v["log_suit_thickness_unit"] = "mm";
  v["log_weight"] = U::Weight(WidenDecimal(log.Decimal("weight")));
  v["log_weight_unit"] = U::WeightWord();
  Json::Value root(Json::objectValue);
  root["value"] = v;
  return root;
}

}  // namespace

Json::Value DetailValues(const DiveLog& log) { return Values(JsonLog(log)); }

Json::Value DetailValues(const SimdLog& log) { return Values(log); }

}  // namespace orv
