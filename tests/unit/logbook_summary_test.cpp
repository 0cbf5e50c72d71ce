// Dive summaries in the saved copy: the same figures the detail view shows,
// written with each record, and filled in place when a version-1 copy is
// opened (or, when that cannot be done, the version-1 copy left untouched).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "app/app_state.h"
#include "cloud/json_read.h"
#include "divelog/dive_map_draw.h"
#include "logbook/saved_copy.h"
#include "scratch_dir.h"
#include "values/units.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

// Scuba with a site, a free dive, gauge without time, scuba without
// cylinder figures, and a dive with every member of the wrong type.
const char* const kRecords[] = {
    R"({"dive_datetime":1717400000,"timezone":-480,"dive_type":"scuba","max_depth":"18.26","average_depth":"10.5",
        "dive_duration":2400,"air_in_text":"200","air_out_text":"50.1","cylinder_size_text":"11.9","water_type":1,
        "min_temperature":"24.5","entry_position":{"latitude":22.25,"longitude":114.3},
        "poi":{"poi_id":"p7","poi_name":"Chai Kou","poi_region":"Sai Kung"}})",
    R"({"dive_datetime":1600000000,"timezone":0,"dive_type":"free","max_depth":"31.5","average_depth":"12",
        "dive_duration":95,"air_in_text":"200","air_out_text":"100","cylinder_size_text":"12","min_temperature":"19.2",
        "poi":{"poi_name":"藍洞","poi_region":"綠島"}})",
    R"({"dive_datetime":1500000000,"timezone":600,"dive_type":"gauge","max_depth":"5","average_depth":"3",
        "dive_duration":0,"air_in_text":"200","air_out_text":"150","cylinder_size_text":"10","min_temperature":"-1.5"})",
    R"({"dive_datetime":1400000000,"timezone":0,"dive_type":"scuba","max_depth":"9.9","average_depth":"6",
        "dive_duration":1800,"min_temperature":"28"})",
    R"({"dive_datetime":"soon","dive_type":7,"max_depth":12,"poi":[1],"entry_position":"here"})",
};

Json::Value Record(const char* text) {
  Json::Value v;
  EXPECT_TRUE(ParseOutsideJson(text, v, JsonStrictness::Strict));
  return v;
}

class DiveSummaryTest : public ScratchDirTest {
 protected:
  DiveSummaryTest() : ScratchDirTest("summary_unit") {}
  std::string Path() const { return (dir_ / "copy.sqlite").string(); }

  // A version-1 copy as the program before summaries wrote it.
  void WriteVersionOne(const char* extra_sql = "") {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Path().c_str(), &db), SQLITE_OK);
    std::string sql = R"(PRAGMA journal_mode=WAL;
      CREATE TABLE account(id INTEGER PRIMARY KEY CHECK (id = 1), email TEXT NOT NULL, user_id TEXT NOT NULL,
        user_name TEXT NOT NULL);
      CREATE TABLE months(year_month TEXT PRIMARY KEY, response TEXT NOT NULL, fetched_at INTEGER NOT NULL);
      CREATE TABLE days(date TEXT PRIMARY KEY, response TEXT NOT NULL, fetched_at INTEGER NOT NULL);
      CREATE TABLE dives(divelog_id TEXT PRIMARY KEY, record TEXT NOT NULL, list_row TEXT NOT NULL DEFAULT '',
        fetched_at INTEGER NOT NULL);
      CREATE TABLE statistics(user_id TEXT PRIMARY KEY, response TEXT NOT NULL, fetched_at INTEGER NOT NULL);
      INSERT INTO dives VALUES('not-json', '{"dive_type":', '', 1);
      PRAGMA user_version=1;)";
    sqlite3_stmt* insert = nullptr;
    ASSERT_EQ(sqlite3_exec(db, (sql + extra_sql).c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_prepare_v2(db, "INSERT INTO dives(divelog_id, record, fetched_at) VALUES(?1, ?2, 5)", -1, &insert, nullptr);
    for (size_t i = 0; i < std::size(kRecords); ++i) {
      sqlite3_bind_text(insert, 1, ("d" + std::to_string(i)).c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(insert, 2, kRecords[i], -1, SQLITE_STATIC);
      ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
  }
  int64_t Scalar(const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open(Path().c_str(), &db);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    const int64_t v = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : -1;
    sqlite3_finalize(s);
    sqlite3_close(db);
    return v;
  }
  std::vector<DiveSummary> Summaries(const SavedCopy& copy) {
    std::vector<DiveSummary> all;
    EXPECT_TRUE(copy.EachSummary("ORDER BY divelog_id", {}, [&](const DiveSummary& d) {
      all.push_back(d);
      return true;
    }));
    return all;
  }
};

TEST_F(DiveSummaryTest, SummaryShowsWhatTheDetailShowsInBothUnits) {
  for (int unit : {0, 1}) {
    State().unit = unit;
    for (const char* text : kRecords) {
      SCOPED_TRACE(std::string(text).substr(0, 60) + " unit " + std::to_string(unit));
      const Json::Value log = Record(text);
      const DiveSummary s = SummarizeDive("x", log);
      const Json::Value v = DetailValues(log)["value"];
      using U = DisplayUnits;
      const CivilTime t = BreakDownUtc(s.local_start);
      EXPECT_EQ(v["log_date"].asString().substr(0, 4), std::to_string(t.year));
      EXPECT_EQ(v["log_max_depth"].asString(), U::Depth(s.max_depth_m));
      EXPECT_EQ(v["log_avg_depth"].asString(), U::Depth(s.average_depth_m));
      EXPECT_EQ(v["log_dive_time"].asString(), DurationText(s.duration_s));
      EXPECT_EQ(v["log_water_temp"].asString(), U::Temperature(s.water_temp_c));
      const std::optional<double> air = unit ? s.air_cuft : s.air_lpm;
      // Where the summary keeps no air use the detail shows no rate at all.
      EXPECT_EQ(v["log_sac"].asString(), air                        ? U::AirConsumption(*air)
                                         : s.mode == DiveType::Free ? "N/A"
                                                                    : U::AirConsumption(0));
    }
  }
  State().unit = 0;
  const DiveSummary first = SummarizeDive("d0", Record(kRecords[0]));
  EXPECT_EQ(StartTimeText(1717400000, -480), "2024-06-03 15:33");
  EXPECT_EQ(BreakDownUtc(first.local_start).hour, 15);
  EXPECT_EQ(first.site, "Chai Kou");
  EXPECT_EQ(first.region, "Sai Kung");
  ASSERT_TRUE(first.entry && first.air_lpm);
  EXPECT_DOUBLE_EQ(first.entry->latitude, 22.25);
  EXPECT_FALSE(SummarizeDive("d1", Record(kRecords[1])).air_lpm);  // a free dive has no cylinder
  EXPECT_FALSE(SummarizeDive("d3", Record(kRecords[3])).air_lpm);  // nothing logged, no rate
}

TEST_F(DiveSummaryTest, VersionOneCopyGainsItsSummariesInPlace) {
  WriteVersionOne();
  {
    auto opened = SavedCopy::Open(Path(), false);
    ASSERT_TRUE(opened.ok()) << opened.key();
    std::unique_ptr<SavedCopy> copy = std::move(*opened);
    EXPECT_EQ(copy->DiveCount(), static_cast<int64_t>(std::size(kRecords)) + 1);
    const std::vector<DiveSummary> all = Summaries(*copy);
    ASSERT_EQ(all.size(), std::size(kRecords));  // the damaged record has none
    for (size_t i = 0; i < all.size(); ++i)
      EXPECT_EQ(all[i], SummarizeDive("d" + std::to_string(i), Record(kRecords[i])));
  }
  EXPECT_EQ(Scalar("PRAGMA user_version"), kSavedCopySchema);
  // Opened again, nothing is done twice.
  auto again = SavedCopy::Open(Path(), true);
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(Summaries(**again).size(), std::size(kRecords));
}

TEST_F(DiveSummaryTest, FailedUpgradeLeavesTheVersionOneCopyAsItWas) {
  // A table of that name in another shape: the summaries cannot be written.
  WriteVersionOne("CREATE TABLE dive_summaries(divelog_id TEXT);");
  EXPECT_FALSE(SavedCopy::Open(Path(), true).ok());
  EXPECT_EQ(Scalar("PRAGMA user_version"), 1);
  EXPECT_EQ(Scalar("SELECT count(*) FROM dives"), static_cast<int64_t>(std::size(kRecords)) + 1);
  EXPECT_EQ(Scalar("SELECT count(*) FROM dive_summaries"), 0);
  EXPECT_EQ(Scalar("SELECT count(*) FROM sqlite_schema WHERE name='dive_summaries_by_start'"), 0);
}

TEST_F(DiveSummaryTest, EachCommittedRecordCarriesItsSummary) {
  auto opened = SavedCopy::Open(Path(), true);
  ASSERT_TRUE(opened.ok());
  std::unique_ptr<SavedCopy> copy = std::move(*opened);
  ASSERT_FALSE(
      copy->Commit({{{SavedKind::Dive, "d0"}, kRecords[0], "row"}, {{SavedKind::Dive, "d1"}, kRecords[1], ""}}, 7));
  EXPECT_EQ(Summaries(*copy).size(), 2u);
  // A record replaced by one that holds no dive takes its summary with it;
  // an edited record replaces its summary.
  ASSERT_FALSE(copy->Commit({{{SavedKind::Dive, "d0"}, "[]", ""}, {{SavedKind::Dive, "d1"}, kRecords[3], ""}}, 8));
  const std::vector<DiveSummary> all = Summaries(*copy);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0], SummarizeDive("d1", Record(kRecords[3])));
}

}  // namespace
}  // namespace orv
