// The dives of a generated log book: dive days spread evenly over the years
// before a given month, one to four dives a day at one site, scuba, gauge
// and freediving, at sites named in Latin and in CJK scripts.
#pragma once

#include <cstdint>
#include <string>

#include "sim_db.h"

namespace orv::bookgen {

struct BookShape {
  int dives = 5000;
  int samples = 300;  // per dive
  int years = 15;
  int end_year = 2025, end_month = 12;  // the book's last month
};

// Seconds since 1970 of the first of a month, UTC; a month of 13 is January
// of the next year.
int64_t MonthStart(int year, int month);

// Stores the book's dives in the simulated service, as uploaded from the
// dive computer and given their site afterwards. Same shape, same dives.
bool StoreDives(sim::SimDb& db, const std::string& user_id, const BookShape& shape);

}  // namespace orv::bookgen
