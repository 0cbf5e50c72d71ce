// Values of one logged dive that need more than a unit factor: its start
// time and duration texts, the air consumption and the depth of a profile
// sample, the dive type with its word and picture, and the condition words.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "logbook/dive_figures.h"

namespace orv {

// "%.4d-%.2d-%.2d %.2d:%.2d" of the local start.
std::string StartTimeText(int64_t dive_datetime, int64_t timezone_minutes);
// "%.2d-%.2d %.2d:%.2d" (month, day, hour, minute), the day list's title.
std::string StartTitleText(int64_t dive_datetime, int64_t timezone_minutes);
// "%.2d:%.2d" hours and minutes from one hour on, else "%.2d'%.2d" minutes
// and seconds.
std::string DurationText(int64_t seconds);

// AirUseRate in the diver's unit (L/min or cuft/min); 0 where it has none.
float SacRate(double average_depth_m, int32_t dive_seconds, int32_t water_type, double start_bar, double end_bar,
              int32_t cylinder_volume);
// The surface pressure a dive's depths start from, in millibar: a logged
// value outside the limits (none logged reads as 0) gives way to sea level.
inline constexpr double kMinSurfaceMbar = 520.0;
inline constexpr double kMaxSurfaceMbar = 1060.0;
inline constexpr double kDefaultSurfaceMbar = 1013.0;
double UsableSurfacePressure(double surface_mbar);
// Depth in metres of a profile sample; pressures in millibar. The surface
// pressure goes through UsableSurfacePressure.
float DepthFromPressure(double surface_mbar, double sample_mbar, int32_t water_type);

// The logged events (`event_code` of `events`) that the chart marks and the
// export names; deco needed counts only with `event_value` 0.
inline constexpr int32_t kEventDecoNeeded = 1;
inline constexpr int32_t kEventAscentAlarm = 3;
inline constexpr int32_t kEventDepthAlarm = 18;
bool IsMarkedEvent(int32_t code, int32_t value);

// The language key of the type's word: "SCUBA", "GAUGE" or "FREEDIVE".
std::string DiveTypeKey(DiveType type);
// The word in the current language.
std::string DiveTypeWord(DiveType type);
// The picture's address relative to the page: "../images/scuba.png", ...
std::string DiveTypePicture(DiveType type);

using ConditionCode = int32_t;
enum class ConditionScale { Weather, Waves, Current, Visibility };
// The language key for a code, or "N/A" when the scale has none for it.
std::string ConditionKey(ConditionScale scale, ConditionCode code);
// The key's text in the current language, or the literal "N/A".
std::string ConditionWord(ConditionScale scale, ConditionCode code);

}  // namespace orv
