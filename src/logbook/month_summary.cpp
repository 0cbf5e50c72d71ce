#include "logbook/month_summary.h"

#include <ctime>

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

void StepMonth(int64_t& year, int& month, int delta) {
  int64_t index = year * 12 + (month - 1) + delta;
  year = index / 12 - (index % 12 < 0);
  month = static_cast<int>(index - year * 12) + 1;
}

void CurrentLocalMonth(int64_t& year, int& month) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  year = local.tm_year + 1900;
  month = local.tm_mon + 1;
}

int64_t MonthRange::Count() const {
  const int64_t n = (to_year * 12 + to_month) - (from_year * 12 + from_month) + 1;
  return n > 0 ? n : 0;
}

bool ParseMonthLabel(const std::string& text, int64_t& year, int& month) {
  if (text.size() != 7 || text[4] != '-') return false;
  int64_t digits = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (i == 4) continue;
    if (text[i] < '0' || text[i] > '9') return false;
    digits = digits * 10 + (text[i] - '0');
  }
  if (digits % 100 < 1 || digits % 100 > 12) return false;
  year = digits / 100;
  month = static_cast<int>(digits % 100);
  return true;
}

}  // namespace orv
