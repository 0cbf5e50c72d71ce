// Months as the calendar, the export range and the log book walk step
// through them. Every step and every comparison goes through one month
// index, so a year boundary is crossed the same way everywhere.
#pragma once

#include <cstdint>
#include <string>

namespace orv {

// Months since year 0, January: the only month arithmetic in the program.
constexpr int64_t MonthIndex(int64_t year, int month) { return year * 12 + (month - 1); }

// One month back or forward (or several), across years.
void StepMonth(int64_t& year, int& month, int delta);
// The computer's current local year and month.
void CurrentLocalMonth(int64_t& year, int& month);

struct MonthRange {
  int64_t from_year = 0;
  int from_month = 1;
  int64_t to_year = 0;
  int to_month = 1;
  // Months from `from` to `to`, both included; 0 when `to` comes first.
  int64_t Count() const;
};

// A century of months is far beyond any logbook; a typo in a year should
// not start thousands of requests.
inline constexpr int64_t kMaxExportMonths = 1200;

// The month label, "%.4d-%.2d".
std::string MonthLabel(int64_t year, int month);
// "YYYY-MM" with a month 1..12, as MonthLabel writes it; false otherwise.
bool ParseMonthLabel(const std::string& text, int64_t& year, int& month);

}  // namespace orv
