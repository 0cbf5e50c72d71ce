#include "export/export_dive.h"

#include <algorithm>

#include "cloud/json_read.h"
#include "export/export_dive_build.h"
#include "logbook/json_log.h"
#include "values/civil_date.h"

namespace orv {

int64_t ExportDive::LocalStart() const { return LocalStartSeconds(start_utc, timezone_minutes); }

int64_t ExportDive::LocalDay() const { return FloorDiv(LocalStart(), 86400); }

int32_t OxygenPercent(int32_t po2) { return po2 >= 1 && po2 <= 100 ? po2 : 0; }

ExportDive MakeExportDive(const DiveLog& log) { return BuildExportDive(JsonLog(log)); }

}  // namespace orv
