// The figures of one logged dive that take more than reading a member: its
// local start, its mode and its air use. Free of the language table and of
// the unit setting, so the saved copy's summaries and the detail view get
// them from the same code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orv {

// Broken-down UTC time of `seconds` since 1970, for any 64-bit value.
struct CivilTime {
  int64_t year = 1970;
  int month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
CivilTime BreakDownUtc(int64_t seconds);

// The dive's local start: `dive_datetime` − `timezone` × 60, read as UTC.
int64_t LocalStartSeconds(int64_t dive_datetime, int64_t timezone_minutes);

enum class DiveType : int32_t { Scuba = 0, Gauge = 1, Free = 2 };
// Exact, case-sensitive: "scuba", "gauge", "free"; anything else is scuba.
DiveType DecodeDiveType(std::string_view text);
// The service's own word for the type: "scuba", "gauge" or "free".
const char* DiveTypeName(DiveType type);

// Surface air consumption: litres per minute, or with `imperial` cubic feet
// per minute (the cylinder volume then taken as cubic feet at 3000 psi).
// Nothing when the dive time is 0 or the inputs give no finite rate.
std::optional<double> AirUseRate(double average_depth_m, int32_t dive_seconds, int32_t water_type, double start_bar,
                                 double end_bar, int32_t cylinder_volume, bool imperial);

}  // namespace orv
