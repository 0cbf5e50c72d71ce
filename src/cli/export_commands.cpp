// orvelle-cli export: the logbook of a range of months into a UDDF or CSV
// file, with the month count on stderr as it goes and one summary line at
// the end.
#include <iostream>

#include "app/string_table.h"
#include "cli/cli.h"
#include "cli/progress_line.h"
#include "cli/service_session.h"
#include "export/log_book_export.h"
#include "values/months.h"

namespace orv::cli {

namespace {

// The counts after every dive on a terminal's one line; otherwise a line
// per month.
class TerminalExportProgress : public ExportProgress {
 public:
  void Report(const ExportCounts& c) override {
    const std::string counts = std::to_string(c.months_done) + "/" + std::to_string(c.months_total) + " months, " +
                               std::to_string(c.dives_done) + " dives" +
                               (c.dives_skipped ? ", " + std::to_string(c.dives_skipped) + " skipped" : std::string());
    if (line_.terminal()) {
      line_.Update("", counts, ProgressLine::Percent(c.months_done, c.months_total));
    } else if (c.months_done != last_month_) {
      last_month_ = c.months_done;
      line_.Print(counts);
    }
  }

 private:
  ProgressLine line_{std::cerr};
  int64_t last_month_ = -1;
};

int Export(const Options& options, const std::vector<std::string>& args) {
  MonthRange range;
  std::string from, to, path;
  for (size_t i = 0; i < args.size(); ++i) {
    if ((args[i] == "--from" || args[i] == "--to") && i + 1 < args.size()) {
      (args[i] == "--from" ? from : to) = args[i + 1];
      ++i;
    } else if (path.empty()) {
      path = args[i];
    } else {
      return UsageError("export takes one FILE");
    }
  }
  if (!ParseMonthLabel(from, range.from_year, range.from_month) || !ParseMonthLabel(to, range.to_year, range.to_month))
    return UsageError("export expects --from YYYY-MM --to YYYY-MM FILE");
  if (range.Count() == 0) return UsageError("--from comes after --to");
  if (range.Count() > kMaxExportMonths) return UsageError("export covers at most 100 years");
  if (path.empty() || ExportFormatOf(path) == ExportFormat::Unknown)
    return UsageError("export writes FILE.uddf or FILE.csv");
  if (int rc = StartServiceSession(options, Saved::Readable)) return rc;

  ExportResult result;
  {
    TerminalExportProgress progress;  // its line ends before the summary
    result = ExportLogBook(range, path, &progress);
  }
  if (!result.ok()) {
    if (!result.skipped.empty()) std::cout << ExportSummary(result) << "\n";
    return Fail(result.failure);
  }
  std::cout << ExportSummary(result) << "\n";
  return 0;
}

}  // namespace

std::vector<Command> ExportCommands() {
  return {
      {"export", "--from YYYY-MM --to YYYY-MM FILE.uddf|FILE.csv", "the log book in an open format", Export},
  };
}

}  // namespace orv::cli
