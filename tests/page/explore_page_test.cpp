// The Dives tab on the real ENG page (main.htm with dives.htm in framepage3)
// over a saved copy whose every figure is known: the filter bar, the header
// sorts, values that cannot be meant, the statistics tables the charts draw
// from, opening a dive, and the note shown while the copy is not kept.
#include <gtest/gtest.h>
#include <json/reader.h>
#include <json/value.h>
#include <json/writer.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "app/app_state.h"
#include "app/headless/headless_engine.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "explore/dive_list_func.h"
#include "logbook/copy_place.h"
#include "logbook/write_through.h"
#include "values/civil_date.h"

namespace orv {
namespace {

const std::string kBin = ORVELLE_BIN_DIR;
// Each test runs in its own process, side by side with the others of this
// group under ctest -j: one copy per process, or one test's tear-down
// forgets the copy another is reading.
const std::string kEmail = "explore.page." + std::to_string(::getpid()) + "@orvelle.test";

struct Dive {
  const char* id;
  int64_t year;
  int month, day, hour;
  const char* mode;
  double depth, minutes, temp, air_in;
  const char* site;
  const char* region;
};
const Dive kBook[] = {
    {"a", 2022, 5, 1, 9, "scuba", 18.0, 40, 24.0, 200, "Chai Kou", "Sai Kung"},
    {"b", 2022, 5, 1, 13, "free", 12.5, 2, 25.0, 0, "藍洞", "綠島"},
    {"c", 2022, 8, 20, 10, "gauge", 7.0, 65, 26.0, 0, "Beauty Cave", "Longdong"},
    {"d", 2023, 3, 10, 8, "scuba", 42.0, 55, 19.5, 250, "Chai Kou", "Sai Kung"},
    {"e", 2023, 3, 11, 8, "scuba", 27.0, 48, 16.0, 170, "Shark Reef", "Ras Mohammed"},
    {"f", 2023, 11, 2, 9, "free", 31.0, 3, 28.0, 0, "藍洞", "綠島"},
};

std::string Record(const Dive& d) {
  Json::Value log;
  log["dive_datetime"] = static_cast<Json::Int64>(DaysFromCivil(d.year, d.month, d.day) * 86400 + d.hour * 3600);
  log["timezone"] = 0;
  log["dive_type"] = d.mode;
  log["max_depth"] = std::to_string(d.depth);
  log["average_depth"] = "10";
  log["dive_duration"] = static_cast<int>(d.minutes * 60);
  log["min_temperature"] = std::to_string(d.temp);
  log["air_in_text"] = std::to_string(d.air_in);
  log["air_out_text"] = d.air_in > 0 ? "50" : "0";
  log["cylinder_size_text"] = "12";
  log["poi"]["poi_name"] = d.site;
  log["poi"]["poi_region"] = d.region;
  return Json::writeString(Json::StreamWriterBuilder(), log);
}

class ExplorePageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ForgetSavedCopy(kEmail);
    SavedCopyFolder(true);
    auto opened = SavedCopy::Open(SavedCopyPath(kEmail), true);
    ASSERT_TRUE(opened.ok()) << opened.key();
    std::unique_ptr<SavedCopy> copy = std::move(*opened);
    ASSERT_FALSE(copy->SetAccount({kEmail, "u-9", "Page Diver"}));
    SavedBatch batch;
    for (const Dive& d : kBook) batch.push_back({{SavedKind::Dive, d.id}, Record(d), ""});
    ASSERT_FALSE(copy->Commit(batch, 1));
  }
  static void TearDownTestSuite() { ForgetSavedCopy(kEmail); }

  void SetUp() override {
    State().unit = 0;
    LanguageCode = "ENG";
    SavedAccount account;
    ASSERT_EQ(OpenSavedCopyOffline(kEmail, account).key(), "");
    ASSERT_TRUE(win.LoadFile(kBin + "/ENG/main.htm"));
    auto func = std::make_unique<DiveListFunc>(
        [this](const std::string& id, const CivilDate& day) { opened.emplace_back(id, day); },
        [this] {
          ++keep_asked;
          WriteKeepLogBook(true);
        });
    list = func.get();
    handlers.push_back(std::move(func));
    win.SetEventSink(&sink);
    for (auto& h : handlers) h->attach(&win);
    list->Show();
  }
  void TearDown() override {
    CloseSavedCopy();
    State().unit = 0;
  }

  ElementRef In(const std::string& id) { return win.FindInFrame("framepage3", id); }
  // Whether the element carries "hidden" (an empty attribute reads as "").
  bool Hidden(const std::string& id) {
    const std::string html = win.InnerHtml(win.NthChild(win.FindById("framepage3"), 0));
    const size_t at = html.find("id=\"" + id + "\"");
    const std::string tag = html.substr(html.rfind('<', at), html.find('>', at) - html.rfind('<', at));
    return tag.find(" hidden") != std::string::npos;
  }
  std::string Text(const std::string& id) { return win.TextOf(In(id)); }
  void Type(const std::string& id, const std::string& value) {
    In(id).SetValue(value);
    win.ClickInFrame("framepage3", "dive_filter");
  }
  // The listed ids as the page's grid reads them.
  std::string Shown() {
    Json::Value rows;
    std::istringstream in(win.TextOf(In("dive_data")));
    std::string errors;
    EXPECT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &rows, &errors)) << errors;
    std::string ids;
    for (const auto& r : rows) ids += r[0].asString();
    return ids;
  }
  // One statistics table's body: its rows' cell texts joined by "|", rows by " / ".
  std::string Table(const std::string& body) {
    std::string out;
    const ElementRef tbody = In(body);
    for (int r = 0; ElementRef row = tbody.Child(r); ++r) {
      if (r) out += " / ";
      for (int c = 0; ElementRef cell = row.Child(c); ++c) out += (c ? "|" : "") + win.TextOf(cell);
    }
    return out;
  }

  HeadlessWindow win;
  HandlerList handlers;
  HandlerListSink sink{handlers};
  DiveListFunc* list = nullptr;
  std::vector<std::pair<std::string, CivilDate>> opened;
  int keep_asked = 0;
};

TEST_F(ExplorePageTest, FiltersSortsAndKeepsTheLastGoodListOnAValueThatCannotBeMeant) {
  EXPECT_EQ(Shown(), "fedcba");
  EXPECT_EQ(Text("dives_count"), "6");
  EXPECT_EQ(Text("dives_hours"), "3:33");
  EXPECT_EQ(Text("dives_deepest"), "42.0 m");
  EXPECT_EQ(In("sort_date").Attr("aria-sort"), "descending");
  struct Case {
    const char* field;
    const char* value;  // typed into the field, then cleared again
    const char* shown;
    const char* key;  // the message under the bar, "" when the value is good
    const char* bad;  // the fields marked aria-invalid
  } cases[] = {
      {"filter_text", "chai", "da", "", ""},
      {"filter_text", "  CHAI kou ", "da", "", ""},
      {"filter_text", "綠島", "fb", "", ""},
      {"filter_text", "Sai Kung", "da", "", ""},
      {"filter_mode", "free", "fb", "", ""},
      {"filter_depth_min", "20", "fed", "", ""},
      {"filter_depth_max", "12.5", "cb", "", ""},
      {"filter_time_min", "50", "dc", "", ""},
      {"filter_from", "2023-01-01", "fed", "", ""},
      {"filter_to", "2022-05-01", "ba", "", ""},
      {"filter_from", "2023-02-30", "fedcba", "FILTER_BAD_DATE", "filter_from"},
      {"filter_to", "10/03/2023", "fedcba", "FILTER_BAD_DATE", "filter_to"},
      {"filter_depth_min", "18m", "fedcba", "FILTER_BAD_NUMBER", "filter_depth_min"},
      {"filter_time_max", "-5", "fedcba", "FILTER_BAD_NUMBER", "filter_time_max"},
  };
  for (const Case& c : cases) {
    Type(c.field, c.value);
    EXPECT_EQ(Shown(), c.shown) << c.field << " " << c.value;
    EXPECT_EQ(Text("filter_error"), *c.key ? Tr(c.key) : "") << c.value;
    EXPECT_EQ(In(c.field).Attr("aria-invalid"), *c.bad ? "true" : "") << c.value;
    Type(c.field, "");
    EXPECT_EQ(In(c.field).Attr("aria-invalid"), "");
  }
  // A range the wrong way round marks both ends and keeps the list it had.
  Type("filter_text", "chai");
  Type("filter_depth_min", "30");
  Type("filter_depth_max", "10");
  EXPECT_EQ(Shown(), "d");
  EXPECT_EQ(Text("filter_error"), Tr("FILTER_REVERSED"));
  EXPECT_EQ(In("filter_depth_max").Attr("aria-invalid"), "true");
  EXPECT_EQ(Text("dives_count"), "1");
  win.ClickInFrame("framepage3", "filter_clear");
  EXPECT_EQ(Shown(), "fedcba");
  EXPECT_EQ(In("filter_depth_min").Attr("aria-invalid"), "");

  // A header sorts by it, again reverses; the headers say which.
  const struct {
    const char* header;
    const char* shown;
    const char* sort;
  } sorts[] = {{"sort_depth", "dfeabc", "descending"}, {"sort_depth", "cbaefd", "ascending"},
               {"sort_site", "cdaefb", "ascending"},   {"sort_duration", "cdeafb", "descending"},
               {"sort_temp", "fcbade", "descending"},  {"sort_date", "fedcba", "descending"}};
  for (const auto& s : sorts) {
    win.ClickInFrame("framepage3", s.header);
    EXPECT_EQ(Shown(), s.shown) << s.header;
    EXPECT_EQ(In(s.header).Attr("aria-sort"), s.sort) << s.header;
    EXPECT_EQ(In(s.header == std::string("sort_date") ? "sort_site" : "sort_date").Attr("aria-sort"), "none");
  }

  // The window of rows the page asks for as it scrolls, kept inside the list.
  const struct {
    const char* from;
    const char* shown;
    const char* first;
  } windows[] = {{"3", "cba", "3"}, {"99", "a", "5"}, {"-4", "fedcba", "0"}, {"x", "fedcba", "0"}};
  for (const auto& w : windows) {
    In("dive_rows_from").SetAttr("data-from", w.from);
    win.ClickInFrame("framepage3", "dive_rows_from");
    EXPECT_EQ(Shown(), w.shown) << w.from;
    EXPECT_EQ(In("dive_data").Attr("data-from"), w.first) << w.from;
    EXPECT_EQ(In("dive_data").Attr("data-count"), "6") << w.from;
  }
}

TEST_F(ExplorePageTest, StatisticsOfTheKnownBookInBothUnits) {
  win.ClickInFrame("framepage3", "show_stats");
  EXPECT_TRUE(Hidden("dives_list"));
  EXPECT_FALSE(Hidden("dives_stats"));
  EXPECT_EQ(In("show_stats").Attr("aria-selected"), "true");
  EXPECT_EQ(Table("stat_years_body"), "2022|1|1|1|1:47 / 2023|2|1|0|1:46");
  EXPECT_EQ(Table("stat_depth_years_body"), "2022|18.0|12.5 / 2023|42.0|33.3");
  EXPECT_EQ(Table("stat_depth_bins_body"),
            "0–5|0 / 5–10|1 / 10–15|1 / 15–20|1 / 20–25|0 / 25–30|1 / 30–35|1 / "
            "35–40|0 / 40–45|1");
  EXPECT_EQ(Table("stat_time_bins_body"), "0–10|2 / 10–20|0 / 20–30|0 / 30–40|0 / 40–50|2 / 50–60|1 / 60–70|1");
  const std::string months = Table("stat_months_body");
  EXPECT_NE(months.find("03|2|0|0|1:43"), std::string::npos) << months;
  EXPECT_NE(months.find("11|0|1|0|0:03"), std::string::npos) << months;
  EXPECT_EQ(In("stat_year").Value(), "2023");
  EXPECT_EQ(In("stat_air_years_body").Child(0).Child(1).Attr("data-v").empty(), false);
  const std::pair<const char*, const char*> records[] = {
      {"rec_deepest", "42.0 m"},    {"rec_deepest_at", "2023-03-10 · Chai Kou"},   {"rec_longest", "65:00 min"},
      {"rec_coldest", "16.0 °C"},   {"rec_coldest_at", "2023-03-11 · Shark Reef"}, {"rec_site", "Chai Kou"},
      {"rec_site_count", "2 dives"}};
  for (const auto& [id, text] : records) EXPECT_EQ(Text(id), text) << id;

  // The chosen year's months; the same filter as the list.
  In("stat_year").SetValue("2022");
  win.ClickElement(In("stat_year"), kEventSelectionChanged);
  EXPECT_NE(Table("stat_months_body").find("05|1|1|0|0:42"), std::string::npos);
  Type("filter_text", "chai");
  EXPECT_EQ(Table("stat_years_body"), "2022|1|0|0|0:40 / 2023|1|0|0|0:55");
  EXPECT_EQ(Text("rec_site_count"), "2 dives");

  State().unit = 1;
  list->Show();
  EXPECT_EQ(Text("rec_deepest"), "137.8 ft");
  EXPECT_EQ(Text("dives_deepest"), "137.8 ft");
  EXPECT_EQ(Text("unit_deepest"), "ft");
  // Still only the dives at Chai Kou (18 m and 42 m), in 5 m bins named in feet.
  EXPECT_EQ(Table("stat_depth_bins_body"),
            "0–16|0 / 16–33|0 / 33–49|0 / 49–66|1 / 66–82|0 / 82–98|0 / 98–115|0 / 115–131|0 / 131–148|1");
  // A depth typed in feet filters in feet.
  Type("filter_text", "");
  Type("filter_depth_min", "100");
  EXPECT_EQ(Table("stat_years_body"), "2023|1|1|0|0:58");
}

TEST_F(ExplorePageTest, EnterOpensTheDiveOnItsDayAndTheListNeedsTheCopyKept) {
  In("dive_open").SetAttr("data-id", "e");
  win.ClickInFrame("framepage3", "dive_open");
  In("dive_open").SetAttr("data-id", "not-listed");
  win.ClickInFrame("framepage3", "dive_open");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].first, "e");
  EXPECT_EQ(opened[0].second, (CivilDate{2023, 3, 11}));

  // Online without the copy kept, the tab says so and offers to keep it.
  CloseSavedCopy();
  const std::string settings = ::testing::TempDir() + "/explore_page." + std::to_string(::getpid()) + ".ini";
  SetSettingsPath(settings);
  WriteKeepLogBook(false);
  list->Show();
  EXPECT_FALSE(Hidden("dives_need_copy"));
  EXPECT_TRUE(Hidden("dives_view"));
  win.ClickInFrame("framepage3", "dives_keep_on");
  EXPECT_EQ(keep_asked, 1);
  EXPECT_FALSE(Hidden("dives_view"));
  EXPECT_TRUE(Hidden("dives_need_copy"));
  SetSettingsPath("");
  std::filesystem::remove(settings);
}

}  // namespace
}  // namespace orv
