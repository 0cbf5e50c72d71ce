// One export of the logbook into a file: walk the months, write the format
// the file's extension names, and replace the file only when at least one
// dive was written. orvelle-cli and the desktop program both run this.
#pragma once

#include <string>
#include <vector>

#include "export/log_book_walk.h"
#include "export/uddf_writer.h"
#include "values/months.h"

namespace orv {

enum class ExportFormat { Unknown, Uddf, Csv };
// ".uddf" or ".csv", in any letter case.
ExportFormat ExportFormatOf(const std::string& path);

struct ExportResult {
  // None when the file was written. Otherwise why not: the failure of the
  // request that stopped the walk, EXPORT_NO_DIVES when the range held no
  // dive that could be written, or EXPORT_WRITE_ERROR.
  Failure failure;
  int written = 0;
  std::vector<SkippedDive> skipped;
  bool cancelled = false;  // the diver stopped it: no file, nothing to tell
  bool ok() const { return !failure && !cancelled; }
};

// The header of a file written now by the signed-in diver.
UddfHeader CurrentUddfHeader();

// The whole file text for `dives` (in any order) in `format`.
std::string ExportText(ExportFormat format, const std::vector<ExportDive>& dives, const UddfHeader& header);

ExportResult ExportLogBook(const MonthRange& range, const std::string& path, ExportProgress* progress = nullptr);

// "12 dives written, 1 skipped: d000007 (DATA_ERROR)" in the current language.
std::string ExportSummary(const ExportResult& result);

}  // namespace orv
