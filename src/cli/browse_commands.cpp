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
#include "cli/dive_json.h"
#include "cli/service_session.h"
#include "explore/dive_filter.h"
#include "logbook/dive_log_read.h"
#include "values/months.h"

namespace orv::cli {

namespace {

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
  if (args.size() != 1 || !ParseMonthLabel(args[0], date.year, date.month)) return UsageError("month expects YYYY-MM");
  if (int rc = StartServiceSession(options, Saved::Readable)) return rc;
  PageWindow page;
  CalendarFunc calendar;
  calendar.Bind(&page.window);
  if (Failure failure = calendar.ShowMonth(date.year, date.month)) return Fail(failure);
  if (options.json) {
    Json::Value doc(Json::objectValue), cells(Json::arrayValue);
    doc["year_month"] = args[0];
    for (const DateCell& cell : calendar.month().cells) {
      Json::Value c(Json::objectValue);
      c["date"] = MonthLabel(cell.date.year, cell.date.month) + "-" + (cell.date.day < 10 ? "0" : "") +
                  std::to_string(cell.date.day);
      c["class"] = cell.cls;
      cells.append(c);
    }
    doc["cells"] = cells;
    PrintJson(doc);
    return 0;
  }
  for (const DateCell& cell : calendar.month().cells)
    std::cout << MonthLabel(cell.date.year, cell.date.month) << "-" << (cell.date.day < 10 ? "0" : "") << cell.date.day
              << "\t" << cell.cls << "\n";
  return 0;
}

int RunDay(const Options& options, const std::vector<std::string>& args) {
  const std::optional<int64_t> day = args.size() == 1 ? ParseDay(args[0]) : std::nullopt;
  if (!day) return UsageError("day expects YYYY-MM-DD");
  const CivilDate date = CivilFromDays(*day);
  if (int rc = StartServiceSession(options, Saved::Readable)) return rc;
  PageWindow page;
  BrowseContext context;
  context.window = &page.window;
  DayLogList list(context);
  std::vector<DayRow> rows;
  if (Failure failure = list.Open(date, &rows)) return Fail(failure);
  if (options.json) {
    Json::Value doc(Json::objectValue), dives(Json::arrayValue);
    doc["date"] = args[0];
    for (const DayRow& r : rows) {
      Json::Value d(Json::objectValue);
      d["id"] = r.id;
      d["start_local"] = LocalStartText(r.local_start);
      d["mode"] = DiveTypeName(r.type);
      d["max_depth_m"] = r.max_depth_m;
      d["duration_s"] = Json::Int64(r.duration_s);
      dives.append(d);
    }
    doc["dives"] = dives;
    PrintJson(doc);
    return 0;
  }
  for (const DayRow& r : rows)
    std::cout << r.date_title << "\t" << r.type_word << "\t" << r.depth << "\t" << r.depth_unit << "\t" << r.time
              << "\t" << r.id << "\n";
  return 0;
}

Json::Value ModeTotals(int32_t count, int32_t minutes, float max_depth) {
  Json::Value v(Json::objectValue);
  v["dives"] = count;
  v["duration_s"] = Json::Int64(int64_t{minutes} * 60);
  v["max_depth_m"] = WidenDecimal(max_depth);
  return v;
}

int RunStats(const Options& options, const std::vector<std::string>& args) {
  if (!args.empty()) return RunStatsBy(options, args);
  if (int rc = StartServiceSession(options, Saved::Readable)) return rc;
  PageWindow page;
  HistoryFunc history;
  history.Bind(&page.window);
  if (Failure failure = history.Reload()) return Fail(failure);
  if (options.json) {
    const DiveTotals& t = history.totals();
    Json::Value doc(Json::objectValue);
    doc["scuba"] = ModeTotals(t.scuba_count, t.scuba_minutes, t.scuba_max_depth);
    doc["free"] = ModeTotals(t.free_count, t.free_minutes, t.free_max_depth);
    PrintJson(doc);
    return 0;
  }
  for (const auto& [id, text] : MakeStatisticsTexts(history.totals())) std::cout << id << "\t" << text << "\n";
  return 0;
}

}  // namespace

std::vector<Command> BrowseCommands() {
  return {
      {"month", "YYYY-MM", "the 42 calendar cells of a month: DATE<TAB>CLASS", RunMonth},
      {"day", "YYYY-MM-DD", "one day's dives as the day list shows them", RunDay},
      {"stats", "[--by year|month [--year YYYY] [the filters of list]]",
       "the lifetime totals, or the saved dives' figures per year or month", RunStats},
  };
}

}  // namespace orv::cli
