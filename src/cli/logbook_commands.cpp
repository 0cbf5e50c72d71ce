// orvelle-cli sync and forget: the log book saved on this computer.
#include <unistd.h>

#include <iostream>

#include "app/message_keys.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "cli/cli.h"
#include "cli/service_session.h"
#include "logbook/copy_place.h"
#include "logbook/log_book_sync.h"
#include "logbook/write_through.h"
#include "values/months.h"

namespace orv::cli {

namespace {

std::string Replace(std::string text, const std::string& mark, const std::string& value) {
  if (size_t at = text.find(mark); at != std::string::npos) text.replace(at, mark.size(), value);
  return text;
}

// Counts on stderr: one line rewritten in place on a terminal, a line per
// month into a file or pipe, so a log keeps the run's course.
class TerminalSyncProgress : public SyncProgress {
 public:
  TerminalSyncProgress() : terminal_(::isatty(STDERR_FILENO) == 1) {}
  ~TerminalSyncProgress() override {
    if (terminal_ && shown_) std::cerr << "\n";
  }
  void Report(const SyncCounts& c) override {
    if (!terminal_ && c.months == last_month_) return;
    last_month_ = c.months;
    shown_ = true;
    std::cerr << (terminal_ ? "\r\033[K" : "") << c.months << " months, " << c.dives_listed << " dives, "
              << c.dives_fetched << " fetched, " << c.dives_skipped << " skipped" << (terminal_ ? "" : "\n")
              << std::flush;
  }

 private:
  bool terminal_;
  bool shown_ = false;
  int64_t last_month_ = -1;
};

int Sync(const Options& options, const std::vector<std::string>& args) {
  SyncOptions sync;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--full") {
      sync.full = true;
    } else if (args[i] == "--from" && i + 1 < args.size() &&
               ParseMonthLabel(args[i + 1], sync.from_year, sync.from_month)) {
      sync.has_from = true;
      ++i;
    } else {
      return UsageError("sync expects [--from YYYY-MM] [--full]");
    }
  }
  if (int rc = StartServiceSession(options)) return rc;
  std::shared_ptr<SavedCopy> copy = ActiveSavedCopy();
  // Already told: the next line would only repeat it.
  if (!copy) return 1;
  SyncResult result;
  {
    TerminalSyncProgress progress;
    result = SyncLogBook(sync, &progress);
  }
  if (!result.ok()) return Fail(result.failure);
  std::string summary = Replace(Tr(KeyOf(Msg::SyncSummary)), "%d", std::to_string(copy->DiveCount()));
  summary = Replace(summary, "%d", std::to_string(result.counts.dives_fetched));
  std::cout << Replace(summary, "%d", std::to_string(result.counts.dives_skipped)) << "\n";
  return 0;
}

}  // namespace

void RefreshSavedCopyAfterUpload() {
  if (!KeepLogBook() || ReadingSavedCopy() || !ActiveSavedCopy()) return;
  SyncResult result;
  {
    TerminalSyncProgress progress;
    result = SyncLogBook(SyncOptions{}, &progress);
  }
  if (!result.ok()) std::cerr << result.failure.key() << ": " << Tr(result.failure.key()) << "\n";
}

namespace {

int Forget(const Options& options, const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError("forget takes no arguments");
  const std::string email = SessionEmail(options);
  if (!SavedCopyExists(email)) return Fail(KeyOf(Msg::NoSavedCopy));
  return ForgetSavedCopy(email) ? 0 : Fail(KeyOf(Msg::SavedCopyWrite));
}

}  // namespace

std::vector<Command> LogBookCommands() {
  return {
      {"sync", "[--from YYYY-MM] [--full]", "save the log book on this computer", Sync},
      {"forget", "", "remove the log book saved on this computer for --email", Forget},
  };
}

}  // namespace orv::cli
