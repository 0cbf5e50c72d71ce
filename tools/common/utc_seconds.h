// Seconds since 1970 of a UTC calendar time, for the simulators' made-up
// dives. A day past the month's end rolls into the next month, as timegm does.
#pragma once

#include <cstdint>
#include <ctime>

namespace orv::sim {

inline int64_t UtcSeconds(int year, int month, int day, int hour, int minute) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  return static_cast<int64_t>(timegm(&tm));
}

}  // namespace orv::sim
