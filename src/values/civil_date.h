// Proleptic Gregorian calendar arithmetic on day numbers (days since
// 1970-01-01), valid for every 64-bit year the service might send, without
// time zones or the C library's time_t limits.
#pragma once

#include <cstdint>

namespace orv {

struct CivilDate {
  int64_t year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

constexpr int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

constexpr int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = FloorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}
constexpr int64_t DaysFromCivil(const CivilDate& date) { return DaysFromCivil(date.year, date.month, date.day); }

constexpr CivilDate CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return CivilDate{yoe + era * 400 + (m <= 2), m, d};
}

// 0 = Sunday ... 6 = Saturday; 1970-01-01 was a Thursday.
constexpr int WeekdayFromDays(int64_t days) { return static_cast<int>(FloorDiv(days + 4, 7) * -7 + days + 4); }

static_assert(DaysFromCivil(1970, 1, 1) == 0);
static_assert(CivilFromDays(DaysFromCivil(2020, 9, 1)) == CivilDate{2020, 9, 1});
static_assert(WeekdayFromDays(DaysFromCivil(2020, 9, 1)) == 2);  // a Tuesday
static_assert(WeekdayFromDays(DaysFromCivil(1969, 12, 28)) == 0);

}  // namespace orv
