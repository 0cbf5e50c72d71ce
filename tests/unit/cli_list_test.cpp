// orvelle-cli list and stats --by on a saved copy made here: the JSON and
// the text say the same of the same dives, the values that cannot be meant
// end with exit 2 naming them, and --help lists every command aligned.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "cli_runner.h"
#include "cloud/json_read.h"
#include "logbook/copy_place.h"
#include "logbook/saved_copy.h"
#include "values/units.h"
#include "values/value_text.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

std::vector<std::vector<std::string>> Lines(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> cells;
    std::istringstream cols(line);
    for (std::string cell; std::getline(cols, cell, '\t');) cells.push_back(cell);
    if (!line.empty() && line.back() == '\t') cells.emplace_back();
    rows.push_back(cells);
  }
  return rows;
}

class CliListTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    home_ = (fs::temp_directory_path() / ("cli_list_" + std::to_string(::getpid()))).string();
    fs::remove_all(home_);
    fs::create_directories(home_);
    setenv("XDG_DATA_HOME", (home_ + "/data").c_str(), 1);
    ASSERT_TRUE(SavedCopyFolder(true).size());
    auto opened = SavedCopy::Open(SavedCopyPath("diver@example.test"), true);
    ASSERT_TRUE(opened.ok()) << opened.key();
    std::unique_ptr<SavedCopy> copy = std::move(*opened);
    const char* modes[] = {"scuba", "free", "gauge"};
    const char* sites[] = {"Chai Kou", "藍洞", "Café Reef"};
    SavedBatch batch;
    for (int i = 0; i < 12; ++i) {
      const std::string record =
          std::string(R"({"dive_datetime":)") + std::to_string(1600000000 + i * 2000000) + R"(,"timezone":-480,)" +
          R"("dive_type":")" + modes[i % 3] + R"(","max_depth":")" + std::to_string(5 + (i * 7) % 40) +
          R"(.25","average_depth":"8","dive_duration":)" + std::to_string(600 + i * 300) + R"(,"min_temperature":")" +
          std::to_string(18 + i % 5) + R"(.5","air_in_text":"200","air_out_text":")" + std::to_string(40 + i) +
          R"(","cylinder_size_text":"12","poi":{"poi_name":")" + sites[i % 3] + R"("}})";
      batch.push_back({{SavedKind::Dive, "d" + std::to_string(i)}, record, ""});
    }
    // A day list and a month as the service sent them, for --offline.
    batch.push_back({{SavedKind::Day, "20200913"},
                     R"({"divelogs":[{"divelog_id":"x1","dive_datetime":1600000000,"timezone":-480,"dive_type":"free",)"
                     R"("max_depth":"31.25","dive_duration":4000},{"divelog_id":"x2","dive_datetime":1600010000,)"
                     R"("timezone":-480,"dive_type":"scuba","max_depth":"12.5","dive_duration":95}]})",
                     ""});
    batch.push_back(
        {{SavedKind::Month, "202009"}, R"({"month_summary":[{"date":"20200913","scuba":1,"free":1}]})", ""});
    ASSERT_FALSE(copy->Commit(batch, 1));
    ASSERT_FALSE(copy->SetAccount({"diver@example.test", "u1", "Diver"}));
  }
  static void TearDownTestSuite() { fs::remove_all(home_); }
  static test::CliResult Run(const std::string& args, const std::string& email = "diver@example.test") {
    return test::RunCli("--email " + email + " " + args, home_,
                        "XDG_DATA_HOME=" + home_ + "/data XDG_CONFIG_HOME=" + home_ + "/config");
  }
  static inline std::string home_;
};

TEST_F(CliListTest, JsonSaysWhatTheTextSays) {
  for (const char* args : {"", "--sort depth --reverse", "--site 'chai KOU'", "--limit 3 --sort air",
                           "--mode scuba --from 2020-11-01 --to 2021-06-30", "--unit imperial --sort temp",
                           "--site 藍洞 --min-depth 10"}) {
    SCOPED_TRACE(args);
    const test::CliResult text = Run(std::string("list ") + args), json = Run(std::string("--json list ") + args);
    ASSERT_EQ(text.exit_code, 0) << text.err;
    ASSERT_EQ(json.exit_code, 0) << json.err;
    Json::Value doc;
    ASSERT_TRUE(ParseOutsideJson(json.out, doc, JsonStrictness::Strict)) << json.out;
    const auto rows = Lines(text.out);
    ASSERT_EQ(rows.size(), doc["count"].asUInt() + 1);
    EXPECT_EQ(rows[0][0], "date");
    EXPECT_GT(doc["count"].asUInt(), 0u);
    const bool imperial = std::string(args).find("imperial") != std::string::npos;
    for (Json::ArrayIndex i = 0; i < doc["dives"].size(); ++i) {
      const Json::Value& d = doc["dives"][i];
      const auto& row = rows[i + 1];
      ASSERT_EQ(row.size(), 9u);
      EXPECT_EQ(row[8], d["id"].asString());
      EXPECT_EQ(row[0], d["start_local"].asString().replace(10, 1, " "));
      EXPECT_EQ(row[1], d["mode"].asString());
      // Text in the chosen unit, JSON in metres whatever it is.
      EXPECT_EQ(row[2], FixedText(d["max_depth_m"].asDouble() * (imperial ? kFeetPerMetre : 1.0), 1));
      EXPECT_EQ(row[5].empty(), d["air_use_l_min"].isNull());
      if (!imperial && !row[5].empty()) {
        EXPECT_EQ(row[5], FixedText(d["air_use_l_min"].asDouble(), 1));
      }
      EXPECT_EQ(row[6], d["site"].asString());
    }
  }
  {
    const test::CliResult text = Run("--offline day 2020-09-13"), json = Run("--offline --json day 2020-09-13");
    ASSERT_EQ(text.exit_code, 0) << text.err;
    Json::Value doc;
    ASSERT_TRUE(ParseOutsideJson(json.out, doc, JsonStrictness::Strict)) << json.out;
    const auto rows = Lines(text.out);
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(doc["dives"].size(), 2u);
    for (Json::ArrayIndex i = 0; i < 2; ++i) {
      EXPECT_EQ(rows[i][5], doc["dives"][i]["id"].asString());
      EXPECT_EQ(rows[i][2], FixedText(doc["dives"][i]["max_depth_m"].asDouble(), 1));
    }
    EXPECT_EQ(doc["dives"][0]["duration_s"].asInt(), 4000);  // the text says only 01:06
    EXPECT_EQ(doc["dives"][0]["start_local"].asString(), "2020-09-13T20:26");
    const test::CliResult month = Run("--offline month 2020-09"), month_json = Run("--offline --json month 2020-09");
    ASSERT_TRUE(ParseOutsideJson(month_json.out, doc, JsonStrictness::Strict)) << month_json.out;
    const auto cells = Lines(month.out);
    ASSERT_EQ(cells.size(), 42u);
    ASSERT_EQ(doc["cells"].size(), 42u);
    for (Json::ArrayIndex i = 0; i < 42; ++i) {
      EXPECT_EQ(cells[i][0], doc["cells"][i]["date"].asString());
      EXPECT_EQ(cells[i][1], doc["cells"][i]["class"].asString());
    }
  }
  const test::CliResult text = Run("stats --by year --mode scuba"), json = Run("--json stats --by year --mode scuba");
  ASSERT_EQ(text.exit_code, 0) << text.err;
  Json::Value doc;
  ASSERT_TRUE(ParseOutsideJson(json.out, doc, JsonStrictness::Strict)) << json.out;
  const auto rows = Lines(text.out);
  ASSERT_EQ(rows.size(), doc["years"].size() + 1);
  int64_t dives = 0;
  for (Json::ArrayIndex i = 0; i < doc["years"].size(); ++i) {
    EXPECT_EQ(rows[i + 1][0], std::to_string(doc["years"][i]["year"].asInt()));
    EXPECT_EQ(rows[i + 1][2], std::to_string(doc["years"][i]["dives"]["scuba"].asInt()));
    dives += std::stoll(rows[i + 1][1]);
  }
  EXPECT_EQ(dives, doc["dives"].asInt64());
  EXPECT_EQ(dives, 4);
}

TEST_F(CliListTest, ValuesThatCannotBeMeantAreUsageErrors) {
  const struct {
    const char* args;
    const char* named;
  } cases[] = {
      {"list --from 2023-02-29", "2023-02-29"},
      {"list --to 2023-13-01", "2023-13-01"},
      {"list --from 23-1-1", "23-1-1"},
      {"list --min-depth ten", "ten"},
      {"list --max-depth -5", "-5"},
      {"list --max-depth 12m", "12m"},
      {"list --from 2023-05-01 --to 2023-04-01", "--from is after --to"},
      {"list --min-depth 30 --max-depth 20", "--min-depth"},
      {"list --sort colour", "colour"},
      {"list --mode snorkel", "snorkel"},
      {"list --limit -1", "-1"},
      {"list --limit 2.5", "2.5"},
      {"list --site", "--site needs a value"},
      {"list --by year", "--by"},
      {"stats --by week", "week"},
      {"stats --mode free", "--by"},
      {"stats --by year --year 2023", "--year"},
  };
  for (const auto& c : cases) {
    const test::CliResult r = Run(c.args);
    EXPECT_EQ(r.exit_code, 2) << c.args;
    EXPECT_NE(r.err.find(c.named), std::string::npos) << c.args << ": " << r.err;
    EXPECT_EQ(r.out, "") << c.args;
  }
  // An account with nothing saved: said, with the command that saves it.
  for (const char* args : {"list", "stats --by month", "--json list"}) {
    const test::CliResult r = Run(args, "nobody@example.test");
    EXPECT_EQ(r.exit_code, 1) << args;
    EXPECT_NE(r.err.find("SAVED_COPY_EMPTY"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("orvelle-cli sync"), std::string::npos) << r.err;
  }
}

TEST_F(CliListTest, HelpListsEveryCommandInAlignedColumns) {
  const test::CliResult r = Run("--help");
  ASSERT_EQ(r.exit_code, 0);
  const size_t from = r.out.find("commands:\n"), to = r.out.find("\n\narguments:");
  ASSERT_NE(from, std::string::npos);
  std::istringstream in(r.out.substr(from + 10, to - from - 10));
  std::set<size_t> columns;
  std::set<std::string> names;
  for (std::string line; std::getline(in, line);) {
    const size_t name_end = line.find(' ', 2);
    names.insert(line.substr(2, name_end - 2));
    columns.insert(line.find_first_not_of(' ', name_end));
  }
  EXPECT_EQ(columns.size(), 1u) << r.out;
  for (const char* name : {"login", "log", "search", "month", "day", "stats", "list", "export", "sync", "forget",
                           "identify", "dump", "upload", "update-fw", "update-ds", "sites-read", "sites-write"})
    EXPECT_TRUE(names.count(name)) << name;
  const test::CliResult version = Run("--version");
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_EQ(version.out.rfind("orvelle-cli ", 0), 0u) << version.out;
}

}  // namespace
}  // namespace orv
