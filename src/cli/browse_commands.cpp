// orvelle-cli month, day and stats: the calendar, the day list and the
// statistics handlers run on a headless window holding the real first-tab
// page, and the texts they wrote are printed, so the terminal shows exactly
// what the desktop program would.
#include <iostream>

#include "app/app_state.h"
#include "app/headless/headless_engine.h"
#include "app/page_folder.h"
#include "app/string_table.h"
#include "browse/calendar_func.h"
#include "browse/day_list.h"
#include "browse/history_func.h"
#include "cli/cli.h"
#include "cli/service_session.h"
#include "values/months.h"

namespace orv::cli {

namespace {

// Digits only, exactly `count` of them.
bool ReadDigits(const std::string& text, size_t pos, size_t count, int& out) {
  if (pos + count > text.size()) return false;
  out = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    out = out * 10 + (text[i] - '0');
  }
  return true;
}

// "YYYY-MM" or "YYYY-MM-DD" with a real month and (when asked) a real day.
bool ParseDate(const std::string& text, bool with_day, CivilDate& date) {
  const size_t length = with_day ? 10 : 7;
  int year = 0, month = 0, day = 1;
  if (text.size() != length || text[4] != '-' || !ReadDigits(text, 0, 4, year) || !ReadDigits(text, 5, 2, month) ||
      month < 1 || month > 12)
    return false;
  if (with_day) {
    if (text[7] != '-' || !ReadDigits(text, 8, 2, day) || day < 1) return false;
    // The day must exist in that month: a day past the month's end would
    // roll over into the next month.
    if (CivilFromDays(DaysFromCivil(year, month, day)).month != month) return false;
  }
  date = CivilDate{year, month, day};
  return true;
}

// The headless main window with the first tab's page in its frame.
struct PageWindow {
  PageWindow() {
    if (State().page_folder.empty()) State().page_folder = MakePageFolder(ProgramFolder(), LanguageCode);
    window.LoadFile(PagePath("main.htm"));
  }
  HeadlessWindow window;
};

int RunMonth(const Options& options, const std::vector<std::string>& args) {
  CivilDate date;
  if (args.size() != 1 || !ParseDate(args[0], false, date)) return UsageError("month expects YYYY-MM");
  if (int rc = StartServiceSession(options, Saved::Readable)) return rc;
  PageWindow page;
  CalendarFunc calendar;
  calendar.Bind(&page.window);
  if (std::string key = calendar.ShowMonth(date.year, date.month); !key.empty()) return Fail(key);
  for (const DateCell& cell : calendar.month().cells)
    std::cout << MonthLabel(cell.date.year, cell.date.month) << "-" << (cell.date.day < 10 ? "0" : "") << cell.date.day
              << "\t" << cell.cls << "\n";
  return 0;
}

int RunDay(const Options& options, const std::vector<std::string>& args) {
  CivilDate date;
  if (args.size() != 1 || !ParseDate(args[0], true, date)) return UsageError("day expects YYYY-MM-DD");
  if (int rc = StartServiceSession(options, Saved::Readable)) return rc;
  PageWindow page;
  BrowseContext context;
  context.window = &page.window;
  DayLogList list(context);
  std::vector<DayRow> rows;
  if (std::string key = list.Open(date, &rows); !key.empty()) return Fail(key);
  for (const DayRow& r : rows)
    std::cout << r.date_title << "\t" << r.type_word << "\t" << r.depth << "\t" << r.depth_unit << "\t" << r.time
              << "\t" << r.id << "\n";
  return 0;
}

int RunStats(const Options& options, const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError("stats takes no arguments");
  if (int rc = StartServiceSession(options, Saved::Readable)) return rc;
  PageWindow page;
  HistoryFunc history;
  history.Bind(&page.window);
  if (std::string key = history.Reload(); !key.empty()) return Fail(key);
  for (const auto& [id, text] : MakeStatisticsTexts(history.totals())) std::cout << id << "\t" << text << "\n";
  return 0;
}

}  // namespace

std::vector<Command> BrowseCommands() {
  return {
      {"month", "YYYY-MM           the 42 calendar cells of a month: DATE<TAB>CLASS", RunMonth},
      {"day", "YYYY-MM-DD          one day's dives as the day list shows them", RunDay},
      {"stats", "                  the lifetime totals as the statistics show them", RunStats},
  };
}

}  // namespace orv::cli
