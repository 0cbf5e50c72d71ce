#include "logbook/dive_figures.h"

#include <cmath>
#include <limits>

#include "values/civil_date.h"
#include "values/units.h"

namespace orv {

CivilTime BreakDownUtc(int64_t seconds) {
  const int64_t days = FloorDiv(seconds, 86400);
  // The remainder taken directly: days × 86400 leaves the 64-bit range for
  // the earliest seconds of all.
  int64_t rest = seconds % 86400;
  if (rest < 0) rest += 86400;
  const CivilDate date = CivilFromDays(days);
  CivilTime t;
  t.year = date.year;
  t.month = date.month;
  t.day = date.day;
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest % 3600 / 60);
  t.second = static_cast<int>(rest % 60);
  return t;
}

int64_t LocalStartSeconds(int64_t dive_datetime, int64_t timezone_minutes) {
  // Both values come from the service as any 64-bit number; a result beyond
  // 64 bits stops at the end of the range instead of wrapping round to some
  // unrelated date (and signed overflow is undefined besides).
  int64_t shift = 0, local = 0;
  if (__builtin_mul_overflow(timezone_minutes, int64_t{60}, &shift) ||
      __builtin_sub_overflow(dive_datetime, shift, &local))
    return timezone_minutes > 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  return local;
}

DiveType DecodeDiveType(std::string_view text) {
  if (text == "gauge") return DiveType::Gauge;
  if (text == "free") return DiveType::Free;
  return DiveType::Scuba;
}

const char* DiveTypeName(DiveType type) {
  switch (type) {
    case DiveType::Gauge:
      return "gauge";
    case DiveType::Free:
      return "free";
    default:
      return "scuba";
  }
}

std::optional<double> AirUseRate(double average_depth_m, int32_t dive_seconds, int32_t water_type, double start_bar,
                                 double end_bar, int32_t cylinder_volume, bool imperial) {
  // A dive without time (or a record missing it) has no rate; dividing would
  // show "inf" or "nan" in the detail page.
  if (dive_seconds == 0) return std::nullopt;
  const double minutes = dive_seconds / 60.0;
  double rate;
  if (imperial) {
    const double feet_per_atm = water_type == 0 ? 33.0 : 34.0;
    rate = ((start_bar * kPsiPerBar - end_bar * kPsiPerBar) / minutes) /
           (average_depth_m * kFeetPerMetre / feet_per_atm + 1.0) * (cylinder_volume / 3000.0);
  } else {
    rate = ((start_bar - end_bar) * cylinder_volume / (average_depth_m / 10.0 + 1.0)) / minutes;
  }
  if (!std::isfinite(rate)) return std::nullopt;
  return rate;
}

}  // namespace orv
