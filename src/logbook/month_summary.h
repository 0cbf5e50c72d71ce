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

}  // namespace orv
