// The browsing models from parsed replies: the month grid with its classes
// and the statistics texts; the day list's row markup.
#include <gtest/gtest.h>

#include <json/reader.h>

#include "app/app_state.h"
#include "app/row_markup.h"
#include "app/string_table.h"
#include "browse/month_grid.h"
#include "browse/statistics.h"
#include "values/months.h"

namespace orv {
namespace {

Json::Value Parse(const std::string& text) {
  Json::Value v;
  Json::Reader().parse(text, v);
  return v;
}

std::vector<MonthSummaryEntry> Summary(const std::string& list) {
  return ParseMonthSummary(Parse("{\"month_summary\":" + list + "}"));
}

// What a diver would see wrong: a value lost, markup from the service let
// through, a neighbouring element written instead.
TEST(RowMarkupTest, FillsTextAndAttributesOfTheNamedElements) {
  const struct {
    std::string html;
    RowField field;
    std::string want;
  } cases[] = {
      {"<tr><td><span id=\"t\">--</span></td></tr>", {"t", "", "18.3"}, "<tr><td><span id=\"t\">18.3</span></td></tr>"},
      {"<b id='x'><i>a</i><b>c</b></b><b>k</b>", {"x", "", "y"}, "<b id='x'>y</b><b>k</b>"},
      {"<span id=\"t\">-</span>", {"t", "", "<b>&"}, "<span id=\"t\">&lt;b&gt;&amp;</span>"},
      {"<button id=\"view\" objid=\"\">V</button>",
       {"view", "objid", "d\"1"},
       "<button id=\"view\" objid=\"d&quot;1\">V</button>"},
      {"<img id=\"image\" src=\"a.png\" alt=\"\">",
       {"image", "src", "b.png"},
       "<img id=\"image\" src=\"b.png\" alt=\"\">"},
      {"<img id=image>", {"image", "src", "b.png"}, "<img id=image src=\"b.png\">"},
      {"<span data-id=\"t\">-</span><span id=\"tt\">-</span>",
       {"t", "", "z"},
       "<span data-id=\"t\">-</span><span id=\"tt\">-</span>"},
      {"<span title=\"a>b\" id=\"t\">-</span>", {"t", "", "z"}, "<span title=\"a>b\" id=\"t\">z</span>"},
      {"<span id=\"t\">open", {"t", "", "z"}, "<span id=\"t\">open"},
  };
  for (const auto& c : cases) EXPECT_EQ(FillRowMarkup(c.html, {c.field}), c.want) << c.html;
}

TEST(MonthGridTest, FirstCellAndSpan) {
  MonthGrid sep = BuildMonthGrid(2020, 9, {});
  EXPECT_EQ(sep[0].date, (CivilDate{2020, 8, 30}));
  EXPECT_EQ(sep[2].date, (CivilDate{2020, 9, 1}));
  EXPECT_EQ(sep[41].date, (CivilDate{2020, 10, 10}));
  EXPECT_EQ(sep[1].cls, kClassOtherMonth);
  EXPECT_EQ(sep[2].cls, kClassShownMonth);
  EXPECT_EQ(sep[31].cls, kClassShownMonth);  // 30 September
  EXPECT_EQ(sep[32].cls, kClassOtherMonth);  // 1 October

  // November 2020 begins on a Sunday: the whole previous week comes first.
  MonthGrid nov = BuildMonthGrid(2020, 11, {});
  EXPECT_EQ(nov[0].date, (CivilDate{2020, 10, 25}));
  EXPECT_EQ(nov[6].date, (CivilDate{2020, 10, 31}));
  EXPECT_EQ(nov[7].date, (CivilDate{2020, 11, 1}));
  // A Saturday first: six days before it.
  EXPECT_EQ(BuildMonthGrid(2020, 8, {})[6].date, (CivilDate{2020, 8, 1}));
  // Leap February and a year boundary inside the grid.
  EXPECT_EQ(BuildMonthGrid(2024, 2, {})[32].date, (CivilDate{2024, 2, 29}));  // 1st on a Thursday
  EXPECT_EQ(BuildMonthGrid(2021, 1, {})[0].date, (CivilDate{2020, 12, 27}));
}

TEST(MonthGridTest, SummaryMarksDiveDays) {
  auto summary = Summary(R"([
    {"year_month_date":"20200921","scuba_count":2,"free_count":0},
    {"year_month_date":"20200831","scuba_count":0,"free_count":1},
    {"year_month_date":"20200910","scuba_count":0,"free_count":0},
    {"year_month_date":"20200915","scuba_count":0,"free_count":0},
    {"year_month_date":"20200915","scuba_count":3,"free_count":0},
    {"year_month_date":"20201005","scuba_count":1,"free_count":1}])");
  MonthGrid g = BuildMonthGrid(2020, 9, summary);
  EXPECT_EQ(g[22].cls, kClassDiveDay);     // 21 September
  EXPECT_EQ(g[1].cls, kClassDiveDay);      // 31 August, previous month
  EXPECT_EQ(g[36].cls, kClassDiveDay);     // 5 October, next month
  EXPECT_EQ(g[11].cls, kClassShownMonth);  // counts 0 and 0
  EXPECT_EQ(g[16].cls, kClassShownMonth);  // the first of two entries decides
  EXPECT_EQ(g[0].cls, kClassOtherMonth);
  // The kind tells scuba, freedive and mixed days apart; other days have none.
  EXPECT_EQ(g[22].kind, kKindScuba);
  EXPECT_EQ(g[1].kind, kKindFree);
  EXPECT_EQ(g[36].kind, kKindMixed);
  EXPECT_EQ(g[11].kind, "");
  EXPECT_EQ(g[0].kind, "");
  // Counts whose sum would wrap a 32-bit integer still mark the day.
  auto wide = Summary(R"([{"year_month_date":"20200921","scuba_count":2147483647,"free_count":-2147483648}])");
  EXPECT_EQ(BuildMonthGrid(2020, 9, wide)[22].cls, kClassDiveDay);
}

TEST(MonthGridTest, OnlyPlainEightDigitDatesMatch) {
  EXPECT_EQ(SummaryDate("20200921"), 20200921);
  for (const char* bad : {"2020092", "202009210", "20200921x", "2020-09-21", " 20200921", "+2020092", ""})
    EXPECT_EQ(SummaryDate(bad), -1) << bad;
  auto summary = Summary(R"([
    {"year_month_date":"20200921Z","scuba_count":1},
    {"year_month_date":20200922,"scuba_count":1},
    {"scuba_count":1},
    "junk", 7])");
  ASSERT_EQ(summary.size(), 5u);
  MonthGrid g = BuildMonthGrid(2020, 9, summary);
  for (const auto& cell : g) EXPECT_NE(cell.cls, kClassDiveDay);
  EXPECT_TRUE(Summary("{}").empty());
  EXPECT_TRUE(ParseMonthSummary(Json::Value()).empty());
}

class UnitSettingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = State().unit;
    LanguageCode = "ENG";
  }
  void TearDown() override { State().unit = saved_; }
  int32_t saved_ = 0;
};

TEST_F(UnitSettingTest, StatisticsTexts) {
  DiveTotals t = TotalsFromResponse(Parse(R"({"scuba_mode_count":12,"scuba_dive_time":8130,
    "scuba_max_depth":"35.26","freedive_mode_count":3,"free_dive_time":59,"free_max_depth":"12.0"})"));
  EXPECT_EQ(t.scuba_minutes, 135);
  EXPECT_EQ(t.free_minutes, 0);
  State().unit = 0;
  StatisticsTexts m = MakeStatisticsTexts(t);
  const char* ids[] = {"scuba_total_dive", "scuba_total_time", "scuba_max_depth", "scuba_max_depth_unit",
                       "free_total_dive",  "free_total_time",  "free_max_depth",  "free_max_depth_unit"};
  const char* metric[] = {"12", "2:15", "35.3", "m", "3", "0:00", "12.0", "m"};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(m[i].first, ids[i]);
    EXPECT_EQ(m[i].second, metric[i]) << ids[i];
  }
  State().unit = 1;
  StatisticsTexts imp = MakeStatisticsTexts(t);
  EXPECT_EQ(imp[2].second, "115.7");
  EXPECT_EQ(imp[3].second, "ft");
  EXPECT_EQ(imp[6].second, "39.4");
  EXPECT_EQ(imp[1].second, "2:15");
  EXPECT_EQ(TotalTimeText(45), "0:45");
  EXPECT_EQ(TotalTimeText(6000), "100:00");
  // Nothing sent reads as zeros.
  StatisticsTexts none = MakeStatisticsTexts(TotalsFromResponse(Json::Value()));
  EXPECT_EQ(none[0].second, "0");
  EXPECT_EQ(none[2].second, "0.0");
  // Totals that never arrived are not zeros.
  StatisticsTexts unknown = MakeStatisticsTexts(DiveTotals{});
  EXPECT_EQ(unknown[0].second, "\u2014");
  EXPECT_EQ(unknown[3].second, "");
}

}  // namespace
}  // namespace orv
