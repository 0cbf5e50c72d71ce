#include "desktop/bench_probe.h"

#include <glib-unix.h>
#include <json/json.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "desktop/page_dialog.h"
#include "desktop/ui_wait.h"
#include "logbook/write_through.h"

namespace orv::gtk {

namespace {

double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

void Mark(const std::string& name, double value, const std::string& extra = "") {
  std::fprintf(stderr, "bench %s %.6f%s%s\n", name.c_str(), value, extra.empty() ? "" : " ", extra.c_str());
  std::fflush(stderr);
}

double signin_clicked = 0;

// Resolves once the view has painted a frame with everything written so
// far: writes reach the page in order, and the second animation frame comes
// after the paint of the first. The timeout keeps a hidden view from hanging.
std::string WaitPainted(WebKitWindow& window) {
  return window.EvalForTest(
      "return new Promise(r => { setTimeout(() => r('late'), 5000);"
      " requestAnimationFrame(() => requestAnimationFrame(() => r(''))); });");
}

// Resolves once the view has drawn what was written so far: the task queued
// in the next animation frame runs after that frame's style, layout and
// paint. WaitPainted waits a further frame on top, which the bare view's
// figures share; the Dives tab's figures and the dive detail have no bare
// twin and end here.
std::string WaitDrawn(WebKitWindow& window) {
  return window.EvalForTest(
      "return new Promise(r => { setTimeout(() => r('late'), 5000);"
      " requestAnimationFrame(() => setTimeout(() => r(''), 0)); });");
}

// Counts the page events the handlers have finished with, so a click is
// timed to the moment its handler returns rather than to its dispatch.
class CountingSink : public EventSink {
 public:
  explicit CountingSink(EventSink* inner) : inner_(inner) {}
  void OnPageEvent(const ElementRef& element, const PageEvent& event) override {
    if (inner_) inner_->OnPageEvent(element, event);
    ++handled;
  }
  int handled = 0;

 private:
  EventSink* inner_;
};

// Clicks what `selector` finds in frame `framepage1` (its `index`-th match)
// or, with no frame, in the top document; returns once the handler is done.
// False when nothing matched or no handler ran within a minute.
bool ClickAndWait(WebKitWindow& window, CountingSink& sink, const std::string& frame, const std::string& selector,
                  int index = 0) {
  std::string doc = frame.empty()
                        ? "document"
                        : "document.getElementById(" + Json::valueToQuotedString(frame.c_str()) + ").contentDocument";
  int before = sink.handled;
  std::string hit =
      window.EvalForTest("const e = " + doc + ".querySelectorAll(" + Json::valueToQuotedString(selector.c_str()) +
                         ")[" + std::to_string(index) + "]; if (!e) return 'none'; e.click(); return '';");
  if (hit == "none") return false;
  return UiWait::Get().SpinUntil([&] { return sink.handled != before; }, 60000);
}

std::string ReadCommand() {
  bool ready = false;
  g_unix_fd_add(
      STDIN_FILENO, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
      [](gint, GIOCondition, gpointer flag) {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
      },
      &ready);
  UiWait::Get().SpinUntil([&] { return ready; }, 0);
  std::string line;
  char c;
  while (::read(STDIN_FILENO, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

constexpr char kCalendarFrame[] = "framepage1";

std::string ShownMonth(WebKitWindow& window) {
  return window.EvalForTest(
      "return document.getElementById('framepage1').contentDocument"
      ".getElementById('calendardate').textContent;");
}

constexpr char kDivesFrame[] = "framepage3";

std::string InDives(WebKitWindow& window, const std::string& expr) {
  return window.EvalForTest("const d = document.getElementById('framepage3').contentDocument; return String(" + expr +
                            ");");
}

// The background save of the log book has ended: its line is hidden and the
// copy's dive count has held still for a second and a half.
void WaitSaved(WebKitWindow& window) {
  const auto copy = ActiveSavedCopy();
  int64_t count = -1;
  double still_since = Now();
  UiWait::Get().SpinUntil(
      [&] {
        const int64_t now = copy ? copy->DiveCount() : 0;
        if (now != count) count = now, still_since = Now();
        return Now() - still_since > 1.5 &&
               window.EvalForTest("return String(document.getElementById('logbook_sync').hidden);") == "true";
      },
      120000);
}

// The Dives tab's figures: the tab opened from the log book to its first
// rows drawn; one keystroke in the filter to the list drawn again; the
// statistics to every chart drawn.
bool DivesCommand(WebKitWindow& window, CountingSink& sink, const std::string& command, const std::string& arg) {
  double t = Now();
  if (command == "saved") {
    WaitSaved(window);
    Mark("saved", Now() - t);
  } else if (command == "dives") {
    // The diver sees the log book before turning to the Dives tab: its own
    // drawing, and what its page does in the frames after (fitting its
    // figures), is not the Dives tab's time.
    ClickAndWait(window, sink, "", "#page1");
    WaitPainted(window);
    UiWait::Get().Pause(300);
    t = Now();
    ClickAndWait(window, sink, "", "#page3");
    UiWait::Get().SpinUntil([&] { return InDives(window, "d.querySelectorAll('.grid_row').length > 0") == "true"; },
                            60000);
    WaitDrawn(window);
    Mark("dives", Now() - t, InDives(window, "d.getElementById('dives_count').textContent"));
  } else if (command.rfind("dives_key", 0) == 0) {
    const int before = sink.handled;
    const std::string text = command == "dives_key" ? "" : arg;
    t = Now();
    window.EvalForTest(
        "const f = document.getElementById('framepage3').contentDocument.getElementById('filter_text');"
        "f.value = " +
        Json::valueToQuotedString(text.c_str()) + "; f.dispatchEvent(new Event('input', {bubbles: true})); return '';");
    UiWait::Get().SpinUntil([&] { return sink.handled != before; }, 60000);
    WaitDrawn(window);
    Mark("dives_key", Now() - t, InDives(window, "d.getElementById('dives_count').textContent"));
  } else if (command == "dives_stats") {
    const std::string drawn = InDives(window, "d.getElementById('dives_stats').dataset.drawn || 0");
    ClickAndWait(window, sink, kDivesFrame, "#show_stats");
    UiWait::Get().SpinUntil(
        [&] { return InDives(window, "d.getElementById('dives_stats').dataset.drawn || 0") != drawn; }, 60000);
    WaitDrawn(window);
    Mark("dives_stats", Now() - t, InDives(window, "d.querySelectorAll('.chart canvas').length"));
    ClickAndWait(window, sink, kDivesFrame, "#show_list");
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool BenchArmed() { return g_getenv("ORVELLE_BENCH") != nullptr; }

void ArmBenchSignIn() {
  SetDialogObserver([](DialogPage& page) {
    if (page.PageName() != "login.htm") return;
    WaitPainted(page.window());
    Mark("painted", Now());
    signin_clicked = Now();
    page.window().EvalForTest("const e = document.getElementById('login'); if (e) e.click(); return '';");
  });
}

void RunBench(MainFrame& frame) {
  SetDialogObserver(nullptr);
  WebKitWindow& window = frame.page();
  WaitPainted(window);
  Mark("signin", Now() - signin_clicked);
  if (std::strcmp(g_getenv("ORVELLE_BENCH"), "start") == 0) return;
  EventSink* handlers = window.event_sink();
  CountingSink sink(handlers);
  window.SetEventSink(&sink);
  bool forth = true;
  for (std::string command = ReadCommand(); !command.empty() && command != "quit"; command = ReadCommand()) {
    std::string arg = command.substr(command.find(' ') + 1);
    double t = Now();
    if (command == "month") {
      ClickAndWait(window, sink, kCalendarFrame, forth ? "#nextmon" : "#lastmon");
      forth = !forth;
      WaitPainted(window);
      Mark("month", Now() - t);
    } else if (command.rfind("goto ", 0) == 0) {
      int steps = 0;
      while (ShownMonth(window) < arg && steps < 240 && ClickAndWait(window, sink, kCalendarFrame, "#nextmon")) ++steps;
      while (ShownMonth(window) > arg && steps < 240 && ClickAndWait(window, sink, kCalendarFrame, "#lastmon")) ++steps;
      forth = true;
      Mark("goto", steps);
    } else if (command.rfind("day ", 0) == 0) {
      // Day 1 of the shown month is the first cell reading "1": the first
      // row holds the previous month's last days only.
      std::string index = window.EvalForTest(
          "const c = [...document.getElementById('framepage1').contentDocument"
          ".querySelectorAll('[id^=date_cell_]')]; const i = c.findIndex(e => e.textContent.trim() === '1');"
          "return String(i + " +
          std::to_string(std::atoi(arg.c_str()) - 1) + ");");
      t = Now();
      ClickAndWait(window, sink, kCalendarFrame, "#date_cell_" + std::string(index.size() < 2 ? "0" : "") + index);
      WaitPainted(window);
      double elapsed = Now() - t;
      Mark("day", elapsed,
           window.EvalForTest("return String(document.getElementById('framepage1').contentDocument"
                              ".querySelectorAll('#cell_tbody tr').length);"));
    } else if (command.rfind("view ", 0) == 0) {
      ClickAndWait(window, sink, kCalendarFrame, "#cell_tbody [id=view]", std::atoi(arg.c_str()));
      // The handler's own share goes along, to tell it from the page's.
      double handled = Now() - t;
      std::string late = WaitDrawn(window);
      Mark("view", Now() - t, std::to_string(handled) + (late.empty() ? "" : " " + late));
    } else if (!DivesCommand(window, sink, command, arg)) {
      Mark(command, 0);
    }
  }
  window.SetEventSink(handlers);
}

}  // namespace orv::gtk
