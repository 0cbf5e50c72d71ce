// Collecting the diver's logbook for a range of months from the service,
// through the same requests the calendar, the day list and the dive detail
// make: the month summary, then each dive day's list, then each dive's
// record. Requests go one after the other on one connection, never in
// parallel, so a long export is a modest, steady load on the service.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/failure.h"
#include "export/export_dive.h"
#include "values/months.h"

namespace orv {

// Where the export stands, for a progress display.
struct ExportCounts {
  int64_t months_done = 0, months_total = 0;
  int dives_done = 0, dives_skipped = 0;
};

// The small interface a long export reports through, so the terminal and
// the desktop's progress dialog follow the same run.
class ExportProgress {
 public:
  virtual ~ExportProgress() = default;
  virtual void Report(const ExportCounts& counts) = 0;
  // True once the diver asked the export to stop.
  virtual bool Cancelled() const { return false; }
};

struct SkippedDive {
  std::string id;
  Failure failure;  // why its record could not be fetched
};

struct LogBook {
  Failure failure;  // none when the walk ended; else what stopped it
  int dives = 0;    // handed over, each id once
  std::vector<SkippedDive> skipped;
  bool cancelled = false;  // the diver stopped the walk; nothing else holds
  bool ok() const { return !failure && !cancelled; }
};

// Walks `range` month by month. A dive whose record cannot be fetched (the
// service refuses it, answers with an error page or a malformed body, or
// lets that one request time out) is skipped and listed with its failure. Any
// failure of a month or day request, and three records in a row that get no
// readable answer (HOST_NOT_CONN, NO_INTERNET: the service is gone),
// stop the walk with that failure, so a service that cannot be reached never
// yields a quietly incomplete file. Needs a signed-in session.
// Each dive is handed to `take` as soon as it is read, in the walk's order
// (month by month, each day as its list names them); a false from `take`
// (it could not be written) stops the walk with "EXPORT_WRITE_ERROR".
using TakeDive = std::function<bool(const ExportDive&)>;
LogBook WalkLogBook(const MonthRange& range, const TakeDive& take, ExportProgress* progress = nullptr);

// The span of months the diver's logbook would usually be exported in: the
// twelve months ending with the current one.
MonthRange LastTwelveMonths();

}  // namespace orv
