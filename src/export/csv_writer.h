// The logbook as a spreadsheet wants it: one row per dive under a header
// row, comma-separated with RFC 4180 quoting, UTF-8 without a byte-order
// mark, lines ending in CR LF. Values and the unit named in each header
// follow the unit setting at the moment of writing.
#pragma once

#include <string>
#include <vector>

#include "export/dive_spool.h"
#include "export/export_dive.h"
#include "export/uddf_writer.h"

namespace orv {

std::vector<std::string> CsvHeader();
// Rows made as the dives come, written in start order by Finish.
class CsvStream {
 public:
  explicit CsvStream(DiveSpool& spool) : spool_(spool) {}
  bool Add(const ExportDive& dive);
  bool Finish(const ExportSink& out);

 private:
  DiveSpool& spool_;
};
// One field, quoted when it holds a comma, a quote, CR or LF.
std::string CsvField(const std::string& text);

}  // namespace orv
