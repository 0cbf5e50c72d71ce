#include "logbook/month_summary.h"

#include "cloud/json_read.h"

namespace orv {

int64_t SummaryDate(const std::string& text) {
  // Only a plain YYYYMMDD names a day. Reading leading digits alone would let
  // "20200921T..." or a seven-digit text land on some cell by accident.
  if (text.size() != 8) return -1;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::vector<MonthSummaryEntry> ParseMonthSummary(const Json::Value& response) {
  std::vector<MonthSummaryEntry> entries;
  const Json::Value& list = JsonMember(response, "month_summary");
  if (!list.isArray()) return entries;
  entries.reserve(list.size());
  for (const Json::Value& item : list) {
    MonthSummaryEntry e;
    e.date = SummaryDate(JsonText(item, "year_month_date"));
    e.scuba_count = JsonInt(item, "scuba_count");
    e.free_count = JsonInt(item, "free_count");
    entries.push_back(e);
  }
  return entries;
}

}  // namespace orv
