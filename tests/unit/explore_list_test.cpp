// The whole log book as one list and its statistics, over a small saved copy
// whose every figure is known: filters and sorts as one table of cases, the
// values that cannot be meant, and the statistics of the book.
#include <gtest/gtest.h>

#include <filesystem>

#include "explore/dive_list.h"
#include "explore/dive_statistics.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

struct Dive {
  const char* id;
  const char* start;  // local, "YYYY-MM-DD HH:MM"
  const char* mode;
  double max_depth, duration_min, temp;
  double air_in;  // 0: no pressures logged
  const char* site;
  const char* region;
};
// Air use of a scuba dive here: (air_in − 50) × 10 L / (avg 10 m → 2 bar) / minutes.
const Dive kBook[] = {
    {"a", "2021-03-14 09:00", "scuba", 18.0, 40, 24.0, 210, "Chai Kou", "Sai Kung"},
    {"b", "2021-03-15 10:00", "free", 31.5, 2, 25.0, 0, "藍洞", "綠島"},
    {"c", "2022-07-01 08:30", "scuba", 42.0, 55, 19.5, 250, "Café Reef", "Nha Trang"},
    {"d", "2022-07-01 14:00", "gauge", 7.5, 65, 26.0, 0, "CHAI KOU BAY", "Sai Kung"},
    {"e", "2023-01-31 23:59", "scuba", 25.0, 50, 16.0, 170, "Chai Kou", "Sai Kung"},
    {"f", "2023-02-01 00:00", "scuba", 12.0, 30, 21.0, 0, "綠島燈塔", "台東"},
    {"g", "2023-12-31 12:00", "free", 9.0, 1, 22.5, 0, "", ""},
};

std::string RecordOf(const Dive& d) {
  const int64_t day = *ParseDay(std::string(d.start).substr(0, 10));
  const int64_t seconds = day * 86400 + std::stoi(std::string(d.start).substr(11, 2)) * 3600 +
                          std::stoi(std::string(d.start).substr(14, 2)) * 60;
  // Stored in UTC with an 8-hour zone, as a diver in Hong Kong logs it.
  return std::string(R"({"dive_datetime":)") + std::to_string(seconds + 8 * 3600) + R"(,"timezone":480,)" +
         R"("dive_type":")" + d.mode + R"(","max_depth":")" + std::to_string(d.max_depth) +
         R"(","average_depth":"10","dive_duration":)" + std::to_string(static_cast<int>(d.duration_min * 60)) +
         R"(,"min_temperature":")" + std::to_string(d.temp) + R"(","air_in_text":")" + std::to_string(d.air_in) +
         R"(","air_out_text":")" + (d.air_in > 0 ? "50" : "0") + R"(","cylinder_size_text":"10","poi":{"poi_name":")" +
         d.site + R"(","poi_region":")" + d.region + R"("}})";
}

class ExploreTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = fs::temp_directory_path() / ("explore_unit_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    auto opened = SavedCopy::Open((dir_ / "copy.sqlite").string(), true);
    ASSERT_TRUE(opened.ok()) << opened.key();
    copy_ = opened->release();
    SavedBatch batch;
    for (const Dive& d : kBook) batch.push_back({{SavedKind::Dive, d.id}, RecordOf(d), ""});
    ASSERT_FALSE(copy_->Commit(batch, 1));
  }
  static void TearDownTestSuite() {
    delete copy_;
    fs::remove_all(dir_);
  }
  static std::string Ids(const DiveListQuery& q) {
    std::string ids;
    EXPECT_TRUE(EachListedDive(*copy_, q, [&](const DiveSummary& d) {
      ids += d.id;
      return true;
    }));
    return ids;
  }
  static inline fs::path dir_;
  static inline SavedCopy* copy_ = nullptr;
};

DiveFilter Text(const char* t) {
  DiveFilter f;
  f.text = t;
  return f;
}
DiveFilter Days(const char* from, const char* to) {
  DiveFilter f;
  if (*from) f.from_day = ParseDay(from);
  if (*to) f.to_day = ParseDay(to);
  return f;
}

TEST_F(ExploreTest, FiltersAndSortsAsOneTable) {
  DiveFilter scuba, deep, short_dives, deep_scuba_2022;
  scuba.mode = DiveType::Scuba;
  deep.min_depth_m = 18.0;
  deep.max_depth_m = 31.5;
  short_dives.max_duration_s = 30 * 60;
  deep_scuba_2022 = Days("2022-01-01", "2022-12-31");
  deep_scuba_2022.mode = DiveType::Scuba;
  deep_scuba_2022.min_depth_m = 40;
  const struct Case {
    const char* name;
    DiveFilter filter;
    DiveOrder order;
    int64_t offset, limit;
    const char* ids;
  } cases[] = {
      {"everything, newest first", {}, {}, 0, -1, "gfedcba"},
      {"oldest first", {}, {DiveColumn::Date, true}, 0, -1, "abcdefg"},
      {"a page", {}, {}, 2, 3, "edc"},
      {"site text, any case", Text("chai kou"), {}, 0, -1, "eda"},
      {"region text", Text("SAI"), {}, 0, -1, "eda"},
      {"accented capitals", Text("CAFÉ"), {}, 0, -1, "c"},
      {"full-width letters", Text("ＲＥＥＦ"), {}, 0, -1, "c"},
      {"CJK in site and region", Text("綠島"), {}, 0, -1, "fb"},
      {"CJK, one character", Text("洞"), {}, 0, -1, "b"},
      {"a percent sign is a letter", Text("%"), {}, 0, -1, ""},
      {"date range inclusive of both days", Days("2022-07-01", "2023-01-31"), {}, 0, -1, "edc"},
      {"a day, in local time", Days("2023-02-01", "2023-02-01"), {}, 0, -1, "f"},
      {"from only", Days("2023-02-01", ""), {}, 0, -1, "gf"},
      {"mode", scuba, {}, 0, -1, "feca"},
      {"depth range inclusive", deep, {}, 0, -1, "eba"},
      {"duration up to 30 min", short_dives, {}, 0, -1, "gfb"},
      {"all filters at once", deep_scuba_2022, {}, 0, -1, "c"},
      {"deepest first", {}, {DiveColumn::Depth}, 0, -1, "cbeafgd"},
      {"shallowest first", {}, {DiveColumn::Depth, true}, 0, -1, "dgfaebc"},
      {"longest first", {}, {DiveColumn::Duration}, 0, -1, "dceafbg"},
      {"warmest first", {}, {DiveColumn::Temp}, 0, -1, "dbagfce"},
      {"most air first, none last", {}, {DiveColumn::Air}, 0, -1, "acegfdb"},
      {"least air first, none still last", {}, {DiveColumn::Air, true}, 0, -1, "ecagfdb"},
      {"site A to Z, ties newest first", {}, {DiveColumn::Site}, 0, -1, "gceadfb"},
      {"mode A to Z", {}, {DiveColumn::Mode}, 0, -1, "gbdfeca"},
  };
  for (const Case& c : cases) EXPECT_EQ(Ids({c.filter, c.order, c.offset, c.limit}), c.ids) << c.name;
}

TEST_F(ExploreTest, TotalsAndStatisticsOfTheBook) {
  const auto all = TotalsOf(*copy_, {});
  ASSERT_TRUE(all);
  EXPECT_EQ(*all, (ListTotals{7, (40 + 2 + 55 + 65 + 50 + 30 + 1) * 60, 42.0}));
  EXPECT_EQ(TotalsOf(*copy_, Text("nowhere at all")), (ListTotals{0, 0, 0.0}));

  const auto st = StatisticsOf(*copy_, {});
  ASSERT_TRUE(st);
  ASSERT_EQ(st->years.size(), 3u);
  EXPECT_EQ(st->years[1].year, 2022);
  EXPECT_EQ(st->years[1].figures, (PeriodFigures{{1, 0, 1}, {55 * 60, 0, 65 * 60}}));
  EXPECT_DOUBLE_EQ(st->years[1].deepest_m, 42.0);
  EXPECT_DOUBLE_EQ(st->years[1].mean_max_depth_m, (42.0 + 7.5) / 2);
  // 2023: scuba e (120 bar over 50 min) and f (none logged): the median of one.
  ASSERT_TRUE(st->years[2].median_air_lpm);
  EXPECT_NEAR(*st->years[2].median_air_lpm, 120.0 * 10 / 2 / 50, 1e-9);
  EXPECT_DOUBLE_EQ(st->years[0].median_air_lpm.value_or(0), 160.0 * 10 / 2 / 40);
  EXPECT_EQ(st->month_year, 2023);
  EXPECT_EQ(st->months[0], (PeriodFigures{{1, 0, 0}, {50 * 60, 0, 0}}));
  EXPECT_EQ(st->months[11], (PeriodFigures{{0, 1, 0}, {0, 60, 0}}));
  EXPECT_EQ(st->depth_bins, (std::vector<int64_t>{0, 2, 1, 1, 0, 1, 1, 0, 1}));
  EXPECT_EQ(st->duration_bins, (std::vector<int64_t>{2, 0, 0, 1, 1, 2, 1}));
  EXPECT_EQ(st->deepest->id, "c");
  EXPECT_EQ(st->longest->id, "d");
  EXPECT_EQ(st->coldest->id, "e");
  EXPECT_EQ(st->top_site, "Chai Kou");
  EXPECT_EQ(st->top_site_dives, 2);

  const auto year_2021 = StatisticsOf(*copy_, Text("綠島"), 2021);
  ASSERT_TRUE(year_2021);
  EXPECT_EQ(year_2021->totals.dives, 2);
  EXPECT_EQ(year_2021->months[2], (PeriodFigures{{0, 1, 0}, {0, 120, 0}}));
}

TEST(ExploreFilter, ValuesThatCannotBeMeant) {
  for (const char* bad : {"2023-02-29", "2023-13-01", "2023-00-10", "2023-1-01", "20230101", "2023-04-31", "abcd-01-01",
                          "2023-01-0x", ""})
    EXPECT_FALSE(ParseDay(bad)) << bad;
  EXPECT_TRUE(ParseDay("2024-02-29"));
  const struct {
    DiveFilter filter;
    FilterFault fault;
  } cases[] = {
      {Days("2023-02-01", "2023-01-31"), FilterFault::DaysReversed},
      {Days("2023-02-01", "2023-02-01"), FilterFault::None},
      {DiveFilter{"", {}, {}, {}, 30.0, 20.0, {}, {}}, FilterFault::DepthsReversed},
      {DiveFilter{"", {}, {}, {}, {}, -1.0, {}, {}}, FilterFault::Negative},
      {DiveFilter{"", {}, {}, {}, {}, {}, 600, 60}, FilterFault::DurationsReversed},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckFilter(c.filter), c.fault);
}

}  // namespace
}  // namespace orv
