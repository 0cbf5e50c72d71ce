// One saved dive in a line: what the whole-log-book list, its filters and
// the statistics over the years read, kept beside the dive's record in the
// saved copy so none of them has to open a record.
//
// All figures are SI (metres, seconds, degrees Celsius); air use is kept in
// both of the detail view's units, since the imperial rate is not the
// metric one converted (its cylinder volume is read as cubic feet at 3000
// psi).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "logbook/dive_log_read.h"

namespace orv {

struct DiveSummary {
  std::string id;
  int64_t local_start = 0;  // seconds since 1970 of the local start, read as UTC
  DiveType mode = DiveType::Scuba;
  double max_depth_m = 0.0, average_depth_m = 0.0;
  int64_t duration_s = 0;
  double water_temp_c = 0.0;  // lowest water temperature
  // Surface air consumption as the detail shows it; nothing for a free dive
  // and where no positive rate comes out (no time, no cylinder, no pressures).
  std::optional<double> air_lpm, air_cuft;
  std::string site, region;
  std::optional<GeoPoint> entry;  // nothing where the record has 0, 0
  friend bool operator==(const DiveSummary&, const DiveSummary&) = default;
};

// The summary of `log`, saved under `id`. The detail view's figures come
// from the same readers (LogDecimalWide, AirUseRate, LocalStartSeconds).
DiveSummary SummarizeDive(const std::string& id, const DiveLog& log);
// The same from the record read with simdjson.
class SimdLog;
DiveSummary SummarizeDive(const std::string& id, const SimdLog& log);

// Site and region as the list's text filter compares them: normalised
// (NFKC) and case-folded, so "Café" finds "CAFÉ" and full-width letters
// find their ASCII forms; CJK text is left as it is.
std::string FoldForSearch(const std::string& text);

}  // namespace orv
