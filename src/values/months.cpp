#include "values/months.h"

#include <ctime>

#include "values/value_text.h"

namespace orv {

void StepMonth(int64_t& year, int& month, int delta) {
  const int64_t index = MonthIndex(year, month) + delta;
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
  const int64_t n = MonthIndex(to_year, to_month) - MonthIndex(from_year, from_month) + 1;
  return n > 0 ? n : 0;
}

std::string MonthLabel(int64_t year, int month) { return PaddedInt(year, 4) + "-" + PaddedInt(month, 2); }

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
