// The texts of the detail page for one dive.
#include "cloud/json_read.h"
#include "divelog/dive_map_draw.h"
#include "values/units.h"

namespace orv {

Json::Value DetailValues(const DiveLog& log) {
  using U = DisplayUnits;
  const bool free_dive = LogDiveType(log) == DiveType::Free;
  const std::string na = "N/A";
  const int32_t volume = LogWholeNumber(log, "cylinder_size_text");
  Json::Value v(Json::objectValue);
  v["log_date"] = StartTimeText(JsonInt64(log, "dive_datetime"), JsonInt64(log, "timezone"));
  v["log_type"] = DiveTypeWord(LogDiveType(log));
  v["log_s_bar"] = free_dive ? na : U::Pressure(LogDecimalWide(log, "air_in_text"));
  v["log_s_bar_unit"] = U::PressureWord();
  v["log_e_bar"] = free_dive ? na : U::Pressure(LogDecimalWide(log, "air_out_text"));
  v["log_e_bar_unit"] = U::PressureWord();
  v["log_volume"] = free_dive ? na : U::Volume(volume);
  v["log_volume_unit"] = U::VolumeWord();
  v["log_sac"] = free_dive
                     ? na
                     : U::AirConsumption(SacRate(LogDecimalWide(log, "average_depth"), LogInt(log, "dive_duration"),
                                                 LogInt(log, "water_type"), LogDecimalWide(log, "air_in_text"),
                                                 LogDecimalWide(log, "air_out_text"), volume));
  v["log_sac_unit"] = U::AirConsumptionWord();
  v["log_o2"] = free_dive ? na : std::to_string(LogInt(log, "po2"));
  v["log_max_depth"] = U::Depth(LogDecimalWide(log, "max_depth"));
  v["log_max_depth_unit"] = U::DepthWord();
  v["log_avg_depth"] = U::Depth(LogDecimalWide(log, "average_depth"));
  v["log_avg_depth_unit"] = U::DepthWord();
  v["log_dive_time"] = DurationText(LogInt(log, "dive_duration"));
  v["log_weather"] = ConditionWord(ConditionScale::Weather, LogInt(log, "weather_type"));
  v["log_air_temp"] = U::Temperature(LogDecimalWide(log, "air_temperature"));
  v["log_air_temp_unit"] = U::TemperatureWord();
  v["log_water_temp"] = U::Temperature(LogDecimalWide(log, "min_temperature"));
  v["log_water_temp_unit"] = U::TemperatureWord();
  v["log_wave"] = ConditionWord(ConditionScale::Waves, LogInt(log, "wave_type"));
  v["log_current"] = ConditionWord(ConditionScale::Current, LogInt(log, "current_type"));
  v["log_visibility"] = ConditionWord(ConditionScale::Visibility, LogInt(log, "visibility_type"));
  v["log_suit_thickness"] = U::SuitThickness(LogDecimalWide(log, "suit_thickness"));
  v["log_suit_thickness_unit"] = "mm";
  v["log_weight"] = U::Weight(LogDecimalWide(log, "weight"));
  v["log_weight_unit"] = U::WeightWord();
  Json::Value root(Json::objectValue);
  root["value"] = v;
  return root;
}

}  // namespace orv
