// The calendar, the day list and the statistics on the real first-tab page
// (ENG main.htm with logbook.htm in framepage1), driven by clicks on the
// headless engine. Replies come from canned service bodies so each case can
// pick the exact summary, dives or failure it needs.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/app_state.h"
#include "app/func_base.h"
#include "app/headless/headless_engine.h"
#include "app/program_messages.h"
#include "app/string_table.h"
#include "app/wait_purpose.h"
#include "browse/calendar_func.h"
#include "browse/history_func.h"
#include "values/months.h"

namespace orv {
namespace {

const std::string kBin = ORVELLE_BIN_DIR;

// Answers requests by path; a path without an answer gets "no connection".
struct CannedService {
  std::map<std::string, std::optional<std::string>> replies;
  std::vector<std::string> paths;
  ServiceRequest Request() {
    return [this](const Endpoint& e) -> std::optional<std::string> {
      paths.push_back(e.path);
      EXPECT_EQ(e.verb, "GET");
      EXPECT_TRUE(e.bearer);
      auto it = replies.find(e.path);
      return it == replies.end() ? std::nullopt : it->second;
    };
  }
  void Month(const std::string& yyyymm, const std::string& summary) {
    replies["api/v1/divelogs/calendar/month?year_month=" + yyyymm] =
        R"({"code":"0000000","response":{"month_summary":)" + summary + "}}";
  }
  void Day(const std::string& yyyymmdd, const std::string& divelogs) {
    replies["api/v1/divelogs/calendar/date?year_month_date=" + yyyymmdd] =
        R"({"code":"0000000","response":{"divelogs":)" + divelogs + "}}";
  }
};

struct RecordingNotifier : Notifier {
  std::vector<std::string> keys;
  void ShowMessage(const MessageKey& key) override { keys.push_back(key); }
};

class BrowsePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_unit_ = State().unit;
    State().unit = 0;
    LanguageCode = "ENG";
    State().page_folder = kBin + "/ENG/";
    State().user_id = "u-1";
    ASSERT_TRUE(win.LoadFile(kBin + "/ENG/main.htm"));
    ASSERT_TRUE(Cell(41)) << "the first tab's page has no calendar";
    win.SetEventSink(&sink);
  }
  void TearDown() override { State().unit = saved_unit_; }

  ElementRef Frame(const std::string& id) { return win.FindInFrame("framepage1", id); }
  ElementRef Cell(int i) {
    char id[16];
    std::snprintf(id, sizeof id, "date_cell_%.2d", i);
    return Frame(id);
  }
  std::string Text(const ElementRef& e) { return win.TextOf(e); }
  std::string Message() { return Text(win.FindById("message")); }

  CalendarFunc& AddCalendar() {
    auto cal = std::make_unique<CalendarFunc>(&notifier, service.Request());
    CalendarFunc* raw = cal.get();
    handlers.push_back(std::move(cal));
    return *raw;
  }
  HistoryFunc& AddHistory() {
    auto h = std::make_unique<HistoryFunc>(&notifier, service.Request());
    HistoryFunc* raw = h.get();
    handlers.push_back(std::move(h));
    return *raw;
  }

  HeadlessWindow win;
  HandlerList handlers;
  HandlerListSink sink{handlers};
  CannedService service;
  RecordingNotifier notifier;
  int32_t saved_unit_ = 0;
};

TEST_F(BrowsePageTest, SeptemberGridWithDiveDaysOnBothSides) {
  service.Month("202009", R"([{"year_month_date":"20200831","scuba_count":1,"free_count":0},
    {"year_month_date":"20200921","scuba_count":0,"free_count":2},
    {"year_month_date":"20200915","scuba_count":0,"free_count":0},
    {"year_month_date":"2020092","scuba_count":1,"free_count":0}])");
  CalendarFunc& cal = AddCalendar();
  cal.Bind(&win);
  EXPECT_EQ(cal.ShowMonth(2020, 9).key(), "");
  EXPECT_EQ(service.paths.back(), "api/v1/divelogs/calendar/month?year_month=202009");
  EXPECT_EQ(Text(Frame("calendardate")), "2020-09");
  for (int i = 0; i < 42; ++i) EXPECT_EQ(Cell(i).Attr("objid"), std::to_string(i));
  EXPECT_EQ(Text(Cell(0)), "30");
  EXPECT_EQ(Cell(0).Attr("class"), "date_td_in_month");
  EXPECT_EQ(Text(Cell(1)), "31");
  EXPECT_EQ(Cell(1).Attr("class"), "date_td_in_dive_day btnctrl");
  EXPECT_EQ(Text(Cell(2)), "1");
  EXPECT_EQ(Cell(2).Attr("class"), "date_td");
  EXPECT_EQ(Cell(22).Attr("class"), "date_td_in_dive_day btnctrl");  // 21 September
  EXPECT_EQ(Cell(16).Attr("class"), "date_td");                      // counts 0 + 0
  EXPECT_EQ(Text(Cell(41)), "10");
  EXPECT_EQ(Cell(41).Attr("class"), "date_td_in_month");
  EXPECT_EQ(cal.month().cells[41].date, (CivilDate{2020, 10, 10}));
}

TEST_F(BrowsePageTest, SundayMonthAndYearWrapBothWays) {
  service.Month("202011", "[]");
  service.Month("202012", "[]");
  service.Month("202101", "[]");
  service.Month("202012", R"([{"year_month_date":"20201129","scuba_count":1,"free_count":0}])");
  CalendarFunc& cal = AddCalendar();
  cal.Bind(&win);
  cal.ShowMonth(2020, 11);  // 1 November 2020 is a Sunday
  EXPECT_EQ(Text(Cell(0)), "25");
  EXPECT_EQ(Text(Cell(6)), "31");
  EXPECT_EQ(Text(Cell(7)), "1");
  EXPECT_EQ(Cell(6).Attr("class"), "date_td_in_month");
  EXPECT_EQ(Cell(7).Attr("class"), "date_td");

  ASSERT_TRUE(win.ClickInFrame("framepage1", "nextmon"));
  ASSERT_TRUE(win.ClickInFrame("framepage1", "nextmon"));
  EXPECT_EQ(Text(Frame("calendardate")), "2021-01");
  EXPECT_EQ(service.paths.back(), "api/v1/divelogs/calendar/month?year_month=202101");
  ASSERT_TRUE(win.ClickInFrame("framepage1", "lastmon"));
  EXPECT_EQ(Text(Frame("calendardate")), "2020-12");
  EXPECT_EQ(service.paths.back(), "api/v1/divelogs/calendar/month?year_month=202012");
  // 29 November sits in December's first row and is marked there.
  EXPECT_EQ(Text(Cell(0)), "29");
  EXPECT_EQ(Cell(0).Attr("class"), "date_td_in_dive_day btnctrl");
  // A click whose code carries a flag bit does nothing.
  const size_t before = service.paths.size();
  ASSERT_TRUE(win.Click("framepage1", 0x8000));  // not a calendar id anyway
  win.ClickElement(Frame("lastmon"), 0x8000);
  EXPECT_EQ(service.paths.size(), before);
  EXPECT_EQ(Text(Frame("calendardate")), "2020-12");
}

TEST_F(BrowsePageTest, FailedMonthsDrawTheirDaysUnmarked) {
  service.Month("202009", R"([{"year_month_date":"20200921","scuba_count":1,"free_count":0}])");
  service.replies["api/v1/divelogs/calendar/month?year_month=202010"] = R"({"code":"0000001"})";
  service.replies["api/v1/divelogs/calendar/month?year_month=202011"] = "<html>busy</html>";
  CalendarFunc& cal = AddCalendar();
  cal.Bind(&win);
  cal.ShowMonth(2020, 9);
  EXPECT_EQ(cal.ShowMonth(2020, 10).key(), "DATA_ERROR");
  EXPECT_EQ(Message(), Tr("DATA_ERROR"));
  EXPECT_FALSE(Message().empty());
  EXPECT_EQ(Text(Frame("calendardate")), "2020-10");
  // October's days (from 27 September), none marked: not September's marks.
  EXPECT_EQ(Text(Cell(0)), "27");
  for (int i = 0; i < 42; ++i) EXPECT_NE(Cell(i).Attr("class"), "date_td_in_dive_day btnctrl") << i;
  EXPECT_EQ(Cell(22).Attr("class"), "date_td");
  EXPECT_EQ(cal.month().cells[4].date, (CivilDate{2020, 10, 1}));
  EXPECT_EQ(cal.ShowMonth(2020, 11).key(), "HOST_NOT_CONN");
  EXPECT_EQ(Message(), Tr("HOST_NOT_CONN"));
  EXPECT_TRUE(notifier.keys.empty());
  // No connection at all: a dialog, and `message` is left alone.
  EXPECT_EQ(cal.ShowMonth(2021, 5).key(), "HOST_NOT_CONN");
  EXPECT_EQ(notifier.keys, std::vector<std::string>{"HOST_NOT_CONN"});
  EXPECT_EQ(Text(Frame("calendardate")), "2021-05");
  EXPECT_EQ(Text(Cell(0)), "25");
  // A later success clears it: the failure it told of is over.
  cal.ShowMonth(2020, 9);
  EXPECT_EQ(Message(), "");
}

// Cancel in the busy popup: the step is given up, the label goes back to the
// month the grid shows and nothing tells of a failure; the next operation
// reports its own failures again.
TEST_F(BrowsePageTest, CancelledMonthStepKeepsTheShownMonthAndTellsNothing) {
  service.Month("202009", R"([{"year_month_date":"20200921","scuba_count":1,"free_count":0}])");
  service.replies["api/v1/divelogs/calendar/month?year_month=202011"] = "<html>busy</html>";
  CalendarFunc cal(&notifier, [this](const Endpoint& e) -> std::optional<std::string> {
    if (e.path.find("year_month=202010") == std::string::npos) return service.Request()(e);
    WaitOperation().Cancel();  // as the busy popup's Cancel does while the request runs
    return std::string();      // what a transfer cut off by Cancel gives
  });
  cal.Bind(&win);
  ASSERT_EQ(cal.ShowMonth(2020, 9).key(), "");
  EXPECT_EQ(cal.ShowMonth(2020, 10).key(), "HOST_NOT_CONN");
  EXPECT_EQ(Text(Frame("calendardate")), "2020-09");
  EXPECT_EQ(cal.month().month, 9);
  EXPECT_EQ(Message(), "");
  EXPECT_TRUE(notifier.keys.empty());
  EXPECT_FALSE(WaitOperation().IsCancelled());
  EXPECT_EQ(cal.ShowMonth(2020, 11).key(), "HOST_NOT_CONN");
  EXPECT_EQ(Message(), Tr("HOST_NOT_CONN"));
  EXPECT_EQ(Text(Frame("calendardate")), "2020-11");
}

TEST_F(BrowsePageTest, DayListRowsFromAPreviousMonthCell) {
  service.Month("202009", R"([{"year_month_date":"20200831","scuba_count":3,"free_count":0}])");
  service.Day("20200831", R"([
    {"divelog_id":"d-1","dive_datetime":1598860800,"timezone":-480,"dive_type":"scuba","max_depth":"18.26","dive_duration":2700},
    {"divelog_id":"d-2","dive_datetime":1598868000,"timezone":-480,"dive_type":"free","max_depth":"9.5","dive_duration":59},
    {"divelog_id":"d-3","dive_datetime":1598875200,"timezone":-480,"dive_type":"gauge","max_depth":"30","dive_duration":3725}])");
  CalendarFunc& cal = AddCalendar();
  cal.Bind(&win);
  cal.ShowMonth(2020, 9);
  ASSERT_TRUE(win.ClickInFrame("framepage1", "date_cell_01"));
  EXPECT_EQ(service.paths.back(), "api/v1/divelogs/calendar/date?year_month_date=20200831");
  EXPECT_EQ(Cell(1).Attr("aria-selected"), "true");  // stays marked while its list shows
  ElementRef body = Frame("cell_tbody");
  ASSERT_EQ(win.ChildCount(body), 3);
  const char* ids[] = {"d-1", "d-2", "d-3"};
  const char* titles[] = {"08-31 16:00", "08-31 18:00", "08-31 20:00"};
  const char* words[] = {"SCUBA", "FREEDIVE", "GAUGE"};
  const char* pictures[] = {"../images/scuba.png", "../images/freedive.png", "../images/gauge.png"};
  const char* depths[] = {"18.3", "9.5", "30.0"};
  const char* times[] = {"45'00", "00'59", "01:02"};
  for (int n = 0; n < 3; ++n) {
    ElementRef row = body.Child(n);
    EXPECT_EQ(row.FindBelow("edit").Attr("objid"), ids[n]);
    EXPECT_EQ(row.FindBelow("view").Attr("objid"), ids[n]);
    EXPECT_EQ(Text(row.FindBelow("date_title")), titles[n]);
    EXPECT_EQ(Text(row.FindBelow("dive_type")), Tr(words[n]));
    EXPECT_EQ(row.FindBelow("image").Attr("src"), pictures[n]);
    EXPECT_EQ(Text(row.FindBelow("depth")), depths[n]);
    EXPECT_EQ(Text(row.FindBelow("depth_unit")), "m");
    EXPECT_EQ(Text(row.FindBelow("time")), times[n]);
  }

  // A failing day keeps the rows; an empty day empties the list.
  service.replies["api/v1/divelogs/calendar/date?year_month_date=20200901"] = R"({"code":""})";
  ASSERT_TRUE(win.ClickInFrame("framepage1", "date_cell_02"));
  EXPECT_EQ(Message(), Tr("HOST_ERROR"));
  EXPECT_EQ(win.ChildCount(body), 3);
  EXPECT_EQ(Cell(1).Attr("aria-selected"), "true");
  EXPECT_EQ(Cell(2).Attr("aria-selected"), "");
  service.replies["api/v1/divelogs/calendar/date?year_month_date=20200901"] = R"({"code":"0000000","response":{}})";
  ASSERT_TRUE(win.ClickInFrame("framepage1", "date_cell_02"));
  EXPECT_EQ(win.ChildCount(body), 0);
  EXPECT_EQ(Message(), "");
  EXPECT_EQ(Cell(1).Attr("aria-selected"), "");
  EXPECT_EQ(Cell(2).Attr("aria-selected"), "true");
  // Stepping away and back keeps the open day marked, in its new cell.
  cal.ShowMonth(2020, 8);
  cal.ShowMonth(2020, 9);
  EXPECT_EQ(Cell(2).Attr("aria-selected"), "true");
}

TEST_F(BrowsePageTest, ImperialRowsAndAMissingTemplate) {
  service.Month("202009", "[]");
  service.Day("20200921", R"([{"divelog_id":"x","max_depth":"18.26"},{"divelog_id":"y"}])");
  CalendarFunc& cal = AddCalendar();
  cal.Bind(&win);
  cal.ShowMonth(2020, 9);
  State().unit = 1;
  EXPECT_EQ(cal.OpenDay(22).key(), "");
  ElementRef body = Frame("cell_tbody");
  ASSERT_EQ(win.ChildCount(body), 2);
  EXPECT_EQ(Text(body.Child(0).FindBelow("depth")), "59.9");
  EXPECT_EQ(Text(body.Child(0).FindBelow("depth_unit")), "ft");
  EXPECT_EQ(Text(body.Child(1).FindBelow("time")), "00'00");
  EXPECT_EQ(Text(body.Child(1).FindBelow("date_title")), "01-01 00:00");

  // Without the row template the list shows nothing at all.
  const std::string empty_folder = ::testing::TempDir() + "browse_no_rows/";
  std::filesystem::create_directories(empty_folder);
  State().page_folder = empty_folder;
  EXPECT_EQ(cal.OpenDay(22).key(), "");
  EXPECT_EQ(win.ChildCount(body), 0);
  // Indexes outside the grid open nothing.
  const size_t before = service.paths.size();
  EXPECT_EQ(cal.OpenDay(42).key(), "");
  EXPECT_EQ(cal.OpenDay(-1).key(), "");
  EXPECT_EQ(service.paths.size(), before);
}

TEST_F(BrowsePageTest, StatisticsReloadOnSyncAndFollowTheUnitSetting) {
  service.Month("202009", "[]");
  service.replies["api/v1/users/u-1/statistics"] =
      R"({"code":"0000000","response":{"scuba_mode_count":12,"scuba_dive_time":8130,"scuba_max_depth":"35.26",
          "freedive_mode_count":4,"free_dive_time":2700,"free_max_depth":"21.0"}})";
  CalendarFunc& cal = AddCalendar();
  HistoryFunc& history = AddHistory();
  cal.Bind(&win);
  cal.ShowMonth(2020, 9);
  history.attach(&win);
  const char* ids[] = {"scuba_total_dive", "scuba_total_time", "scuba_max_depth", "scuba_max_depth_unit",
                       "free_total_dive",  "free_total_time",  "free_max_depth",  "free_max_depth_unit"};
  auto texts = [&] {
    std::vector<std::string> out;
    for (const char* id : ids) out.push_back(Text(Frame(id)));
    return out;
  };
  EXPECT_EQ(texts(), (std::vector<std::string>{"12", "2:15", "35.3", "m", "4", "0:45", "21.0", "m"}));

  // A unit change rewrites the depths without a request.
  const size_t requests = service.paths.size();
  State().unit = 1;
  history.Show();
  EXPECT_EQ(texts(), (std::vector<std::string>{"12", "2:15", "115.7", "ft", "4", "0:45", "68.9", "ft"}));
  ASSERT_TRUE(win.ClickInFrame("framepage1", "odo_type"));
  EXPECT_EQ(texts()[2], "115.7");
  EXPECT_EQ(service.paths.size(), requests);

  // synclog reloads the month, then posts 2028, which the statistics answer
  // with a reload (without a UI-thread queue the message is handled at once).
  service.replies["api/v1/users/u-1/statistics"] =
      R"({"code":"0000000","response":{"scuba_mode_count":13,"scuba_dive_time":8190,"scuba_max_depth":"35.26"}})";
  ASSERT_TRUE(win.ClickInFrame("framepage1", "synclog"));
  ASSERT_GE(service.paths.size(), requests + 2);
  EXPECT_EQ(service.paths[requests], "api/v1/divelogs/calendar/month?year_month=202009");
  EXPECT_EQ(service.paths[requests + 1], "api/v1/users/u-1/statistics");
  EXPECT_EQ(texts(), (std::vector<std::string>{"13", "2:16", "115.7", "ft", "0", "0:00", "0.0", "ft"}));

  // A failing reload shows the totals from before.
  service.replies["api/v1/users/u-1/statistics"] = R"({"code":"0000009"})";
  EXPECT_EQ(history.Reload().key(), "DATA_ERROR");
  EXPECT_EQ(texts()[0], "13");
  EXPECT_EQ(Message(), Tr("DATA_ERROR"));

  // Once detached the statistics no longer answer 2028.
  history.detach();
  const size_t after = service.paths.size();
  PostProgramMessage(ProgramMessage{kMsgReloadStatistics});
  EXPECT_EQ(service.paths.size(), after);
}

TEST_F(BrowsePageTest, AttachStartsOnTheCurrentMonth) {
  CalendarFunc& cal = AddCalendar();
  HistoryFunc& history = AddHistory();
  cal.attach(&win);  // no replies: both loads fail with no connection
  history.attach(&win);
  int64_t year;
  int month;
  CurrentLocalMonth(year, month);
  EXPECT_EQ(Text(Frame("calendardate")), MonthLabel(year, month));
  EXPECT_EQ(notifier.keys, (std::vector<std::string>{"HOST_NOT_CONN", "HOST_NOT_CONN"}));
  // Statistics never received show a dash, not zeros that look like data;
  // the grid shows the month's days, unmarked, each one still openable.
  EXPECT_EQ(Text(Frame("scuba_total_dive")), "\u2014");
  EXPECT_EQ(Text(Frame("scuba_total_time")), "\u2014");
  EXPECT_EQ(Text(Frame("free_max_depth_unit")), "");
  EXPECT_EQ(cal.month().cells.size(), 42u);
  EXPECT_EQ(cal.month().cells[14].date.month, month);
  EXPECT_EQ(Text(Cell(14)), std::to_string(cal.month().cells[14].date.day));
  const size_t before = service.paths.size();
  ASSERT_TRUE(win.ClickInFrame("framepage1", "date_cell_05"));
  EXPECT_EQ(service.paths.size(), before + 1);
}

}  // namespace
}  // namespace orv
