// What the Dives tab shows of each listed dive and of the whole list, as
// texts in the diver's units and language.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "explore/dive_list.h"

namespace orv {

// The listed dives as the page's grid reads them: one JSON array per dive,
// [id, day, date and time, site, mode, mode word, max depth, duration,
// water temperature, air use], day as "YYYY-MM-DD".
class ListedRows {
 public:
  void Add(const DiveSummary& dive);
  std::string Json() const { return text_ + "]"; }

 private:
  std::string text_ = "[";
};

// "12345" dives, hours as "h:mm" however many hours, the deepest with its
// unit; by the ids of the tab's total fields.
std::vector<std::pair<std::string, std::string>> TotalsTexts(const ListTotals& totals);

// Hours and minutes of `seconds`, "3640:50"; minutes and seconds of a dive,
// "45:07".
std::string HoursText(int64_t seconds);
std::string MinutesText(int64_t seconds);
std::string TemperatureText(double celsius);

}  // namespace orv
