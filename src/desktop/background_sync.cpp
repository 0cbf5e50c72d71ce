#include "desktop/background_sync.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "app/settings.h"
#include "desktop/idle_task.h"
#include "logbook/log_book_sync.h"
#include "logbook/write_through.h"

namespace orv::gtk {

namespace {

struct Run {
  unsigned id = 0;  // tells a run's queued updates from a later run's
  std::thread worker;
  std::atomic<bool> stop{false};
  std::atomic<bool> done{false};
  // Found once on the UI thread: a lookup waits for the page in a nested
  // loop, where a later update could overtake an earlier one.
  ElementRef line, count;
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
  run->worker = std::thread([run] {
    SyncOptions options;
    options.stop = &run->stop;
    options.yield_to_diver = true;
    LineProgress progress(run);
    SyncLogBook(options, &progress);
    // Done or failed alike: the line goes; the next start tries again.
    Show(run, "", false);
    run->done = true;
  });
}

void StopBackgroundSync() {
  if (!current) return;
  current->stop = true;
  if (current->worker.joinable()) current->worker.join();
  current.reset();
}

}  // namespace orv::gtk
