// The list of one day's dives under the calendar: one row per dive built from
// the row template "dive_log_cell.htm" in `cell_tbody` of frame `framepage1`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <json/value.h>

#include "browse/browse_service.h"
#include "logbook/dive_figures.h"
#include "values/civil_date.h"

namespace orv {

// The texts of one row, in the order they are written.
struct DayRow {
  std::string id;          // `edit` and `view` "objid"
  std::string date_title;  // "%.2d-%.2d %.2d:%.2d"
  std::string type_word;   // `dive_type`
  std::string picture;     // `image` "src"
  std::string depth;       // "%.1f" in the diver's unit
  std::string depth_unit;  // "m" or "ft"
  std::string time;        // duration text
  // The same figures as numbers, SI, for scripts.
  int64_t local_start = 0;  // seconds since 1970 of the local start, read as UTC
  DiveType type = DiveType::Scuba;
  double max_depth_m = 0.0;
  int64_t duration_s = 0;
};

// One element of `divelogs`; missing members read as empty text or 0.
DayRow MakeDayRow(const Json::Value& dive);
// Every element of `response`.`divelogs` in reply order; none when absent.
std::vector<DayRow> MakeDayRows(const Json::Value& response);

class DayLogList {
 public:
  explicit DayLogList(const BrowseContext& context) : context_(context) {}

  // Requests the dives of `date` and lists them. Returns the failure
  // (none on success); on failure the list keeps its rows. `shown`, when
  // given, receives the rows written.
  Failure Open(const CivilDate& date, std::vector<DayRow>* shown = nullptr);
  // Empties `cell_tbody` and appends one filled row per entry.
  void Show(const std::vector<DayRow>& rows);

 private:
  const BrowseContext& context_;
};

}  // namespace orv
