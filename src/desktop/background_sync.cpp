#include "desktop/background_sync.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "app/cancellable.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "desktop/idle_task.h"
#include "logbook/log_book_sync.h"
#include "logbook/write_through.h"

namespace orv::gtk {

namespace {

struct Run {
  unsigned id = 0;  // tells a run's queued updates from a later run's
  std::thread worker;
  // The save's own operation: the end of the program reaches it through
  // its parent, StopBackgroundSync directly; either cuts off the request in
  // flight at once.
  Cancellable stop{&ProgramStop()};
  std::atomic<bool> done{false};
  // Found once on the UI thread: a lookup waits for the page in a nested
  // loop, where a later update could overtake an earlier one.
  ElementRef line, count, failed, reason;
};
std::unique_ptr<Run> current;
unsigned runs = 0;

// Counts travel to the UI loop; a line queued after the save was stopped
// finds no run of its own and writes nothing.
void Show(Run* run, const std::string& count, bool visible) {
  RunWhenIdle([id = run->id, count, visible] {
    if (!current || current->id != id) return;
    current->count.SetText(count);
    if (visible)
      current->line.Show();
    else
      current->line.Hide();
  });
}

// How the save ended, told where its counts were: a failure in the page's
// language; nothing for a save that completed or was stopped.
void ShowResult(Run* run, const SyncResult& result) {
  const std::string text = result.ok() || result.failure.stopped() ? std::string() : Tr(result.failure.key());
  RunWhenIdle([id = run->id, text] {
    if (!current || current->id != id) return;
    current->reason.SetText(text);
    if (text.empty())
      current->failed.Hide();
    else
      current->failed.Show();
  });
}

class LineProgress : public SyncProgress {
 public:
  explicit LineProgress(Run* run) : run_(run) {}
  void Report(const SyncCounts& c) override {
    // Numbers only: the words around them are the page's, in its language.
    Show(run_, std::to_string(c.months) + " · " + std::to_string(c.dives_listed), true);
  }

 private:
  Run* run_;
};

}  // namespace

void StartBackgroundSync(EngineWindow* main_page) {
  // A save that ended makes way for a new one (after an upload, say).
  if (current && current->done) StopBackgroundSync();
  if (current || !KeepLogBook() || ReadingSavedCopy() || !ActiveSavedCopy()) return;
  current = std::make_unique<Run>();
  Run* run = current.get();
  run->id = ++runs;
  run->line = main_page->FindById("logbook_sync");
  run->count = main_page->FindById("logbook_sync_count");
  run->failed = main_page->FindById("logbook_sync_failed");
  run->reason = main_page->FindById("logbook_sync_reason");
  run->worker = std::thread([run] {
    SyncOptions options;
    options.stop = &run->stop;
    options.yield_to_diver = true;
    LineProgress progress(run);
    const SyncResult result = SyncLogBook(options, &progress);
    // Done or failed alike: the count line goes; the next start tries again.
    Show(run, "", false);
    ShowResult(run, result);
    run->done = true;
  });
}

void StopBackgroundSync() {
  if (!current) return;
  current->stop.Cancel();
  if (current->worker.joinable()) current->worker.join();
  current.reset();
}

}  // namespace orv::gtk
