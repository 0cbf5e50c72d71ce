// The service's month summary read into entries: which days of a month hold
// dives. The calendar draws from it; the saved copy's walk follows it to the
// day lists worth asking for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <json/value.h>

namespace orv {

struct MonthSummaryEntry {
  int64_t date = -1;  // YYYYMMDD; -1 when the service's text is not of that form
  int32_t scuba_count = 0;
  int32_t free_count = 0;
};

// `response`.`month_summary` in reply order; anything but an array gives none.
std::vector<MonthSummaryEntry> ParseMonthSummary(const Json::Value& response);
// "20200921" -> 20200921; -1 for every text that is not exactly eight digits.
int64_t SummaryDate(const std::string& text);

// One month back or forward, across years.
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

// "YYYY-MM" with a month 1..12, as MonthLabel writes it; false otherwise.
bool ParseMonthLabel(const std::string& text, int64_t& year, int& month);

}  // namespace orv
