#include "divelog/dive_values.h"

#include <cmath>
#include <limits>

#include "app/message_keys.h"
#include "app/string_table.h"
#include "values/civil_date.h"
#include "values/units.h"
#include "values/value_text.h"

namespace orv {

std::string StartTimeText(int64_t dive_datetime, int64_t timezone_minutes) {
  const CivilTime t = BreakDownUtc(LocalStartSeconds(dive_datetime, timezone_minutes));
  return PaddedInt(t.year, 4) + "-" + PaddedInt(t.month, 2) + "-" + PaddedInt(t.day, 2) + " " + PaddedInt(t.hour, 2) +
         ":" + PaddedInt(t.minute, 2);
}

std::string StartTitleText(int64_t dive_datetime, int64_t timezone_minutes) {
  const CivilTime t = BreakDownUtc(LocalStartSeconds(dive_datetime, timezone_minutes));
  return PaddedInt(t.month, 2) + "-" + PaddedInt(t.day, 2) + " " + PaddedInt(t.hour, 2) + ":" + PaddedInt(t.minute, 2);
}

std::string DurationText(int64_t seconds) {
  const int64_t h = seconds / 3600;
  const int64_t m = (seconds - h * 3600) / 60;
  if (h != 0) return PaddedInt(h, 2) + ":" + PaddedInt(m, 2);
  return PaddedInt(m, 2) + "'" + PaddedInt(seconds - m * 60, 2);
}

float SacRate(double average_depth_m, int32_t dive_seconds, int32_t water_type, double start_bar, double end_bar,
              int32_t cylinder_volume) {
  return static_cast<float>(AirUseRate(average_depth_m, dive_seconds, water_type, start_bar, end_bar, cylinder_volume,
                                       DisplayUnits::Imperial())
                                .value_or(0.0));
}

double UsableSurfacePressure(double surface_mbar) {
  return surface_mbar < kMinSurfaceMbar || surface_mbar > kMaxSurfaceMbar ? kDefaultSurfaceMbar : surface_mbar;
}

float DepthFromPressure(double surface_mbar, double sample_mbar, int32_t water_type) {
  surface_mbar = UsableSurfacePressure(surface_mbar);
  const double metres_per_bar = water_type == 1 ? 10.25 : 10.0;
  double d = (sample_mbar / 1000.0 - surface_mbar / 1000.0) * metres_per_bar;
  if (d < 0.5) d = 0.0;
  return static_cast<float>(d);
}

bool IsMarkedEvent(int32_t code, int32_t value) {
  return (code == kEventDecoNeeded && value == 0) || code == kEventAscentAlarm || code == kEventDepthAlarm;
}

std::string DiveTypeKey(DiveType type) {
  switch (type) {
    case DiveType::Gauge:
      return KeyOf(Msg::Gauge);
    case DiveType::Free:
      return KeyOf(Msg::Freedive);
    default:
      return KeyOf(Msg::Scuba);
  }
}

std::string DiveTypeWord(DiveType type) { return Tr(DiveTypeKey(type)); }

std::string DiveTypePicture(DiveType type) {
  switch (type) {
    case DiveType::Gauge:
      return "../images/gauge.png";
    case DiveType::Free:
      return "../images/freedive.png";
    default:
      return "../images/scuba.png";
  }
}

namespace {

constexpr const char* kNotAvailable = "N/A";

// Rows are codes 1..5; Msg::None has no key.
constexpr Msg kConditionKeys[4][5] = {
    {Msg::Sunny, Msg::Cloudy, Msg::Rain, Msg::Snow, Msg::Overcast},
    {Msg::WaveNo, Msg::WaveSmall, Msg::WaveMedium, Msg::WaveHigh, Msg::None},
    {Msg::CurrentNo, Msg::CurrentSmall, Msg::CurrentMedium, Msg::CurrentStrong, Msg::None},
    {Msg::VisibilityClear, Msg::VisibilitySoso, Msg::VisibilityBad, Msg::None, Msg::None},
};

Msg FindConditionKey(ConditionScale scale, ConditionCode code) {
  const int row = static_cast<int>(scale);
  if (row < 0 || row > 3 || code < 1 || code > 5) return Msg::None;
  return kConditionKeys[row][code - 1];
}

}  // namespace

std::string ConditionKey(ConditionScale scale, ConditionCode code) {
  const Msg key = FindConditionKey(scale, code);
  return key != Msg::None ? KeyOf(key) : kNotAvailable;
}

std::string ConditionWord(ConditionScale scale, ConditionCode code) {
  const Msg key = FindConditionKey(scale, code);
  return key != Msg::None ? Tr(KeyOf(key)) : kNotAvailable;
}

}  // namespace orv
