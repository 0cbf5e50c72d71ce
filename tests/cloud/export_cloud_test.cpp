// The logbook export against a real orvelle-cloudsim over TLS: orvelle-cli
// writes UDDF and CSV, and every value read back from the files is compared
// with the dive records fetched directly; one dive against golden files;
// a hostile site name; and the failures that must leave no file behind.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/string_table.h"
#include "cli_runner.h"
#include "cloud/http_post.h"
#include "cloud/json_read.h"
#include "divelog/dive_log.h"
#include "export/log_book_export.h"
#include "seed.h"
#include "shared_sim_test.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using tinyxml2::XMLElement;

// The seeded logbook: eight months ending June 2024, ten dives each.
constexpr const char* kAllMonths = "--from 2023-11 --to 2024-06";
constexpr int kSeededDives = 80;

std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
        rows.back().back() += '"', ++i;
      else if (c == '"')
        quoted = false;
      else
        rows.back().back() += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().emplace_back();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      if (i + 1 < text.size()) rows.emplace_back(1);
    } else {
      rows.back().back() += c;
    }
  }
  return rows;
}

double Number(const XMLElement* parent, const char* name) {
  const XMLElement* e = parent ? parent->FirstChildElement(name) : nullptr;
  return e && e->GetText() ? std::stod(e->GetText()) : NAN;
}

std::string Text(const XMLElement* parent, const char* name) {
  const XMLElement* e = parent ? parent->FirstChildElement(name) : nullptr;
  return e && e->GetText() ? e->GetText() : "";
}

class ExportCloudTest : public test::SharedSimTest {
 protected:
  void SetUp() override {
    server_->Use();
    for (const char* ep : {"calendar_month", "calendar_date", "divelog", "divelog/d000003"})
      server_->SetFault(ep, "none");
    LanguageCode = "ENG";
    State().unit = 0;
    ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
    dir_ = server_->dir() + "/out";
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }

  test::CliResult Export(const std::string& args, const std::string& password = sim::kDemoPassword) {
    return test::RunCli("--service 127.0.0.1:" + std::to_string(server_->port()) + " --ca-file '" + server_->ca_file() +
                            "' --email '" + sim::kDemoEmail + "' --password '" + password + "' --lang ENG " + args,
                        server_->dir());
  }

  static DiveLog Record(const std::string& id) {
    HttpPost http;
    Result<DiveLog> log = FetchDiveLog(http, id, nullptr);
    EXPECT_TRUE(log) << id << " " << log.key();
    return log.value_or(DiveLog());
  }

  // Files the folder holds, so a failed export can be shown to leave none.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    return names;
  }

  std::string dir_;
};

TEST_F(ExportCloudTest, UddfHoldsEveryRecordValueInSiUnits) {
  const std::string path = dir_ + "/book.uddf";
  const test::CliResult r = Export(std::string("export ") + kAllMonths + " " + path);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "80 dives written, 0 skipped\n");
  EXPECT_NE(r.err.find("8/8 months, 80 dives"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find('\r'), std::string::npos);  // not a terminal: plain lines only

  tinyxml2::XMLDocument doc;
  ASSERT_EQ(doc.LoadFile(path.c_str()), tinyxml2::XML_SUCCESS);
  const XMLElement* root = doc.RootElement();
  ASSERT_STREQ(root->Name(), "uddf");
  EXPECT_STREQ(root->Attribute("version"), "3.2.0");
  EXPECT_EQ(Text(root->FirstChildElement("generator"), "name"), "ORVELLE PC TOOL");
  std::map<std::string, const XMLElement*> sites, mixes;
  for (const XMLElement* s = root->FirstChildElement("divesite")->FirstChildElement("site"); s;
       s = s->NextSiblingElement("site"))
    sites[s->Attribute("id")] = s;
  for (const XMLElement* m = root->FirstChildElement("gasdefinitions")->FirstChildElement("mix"); m;
       m = m->NextSiblingElement("mix"))
    mixes[m->Attribute("id")] = m;

  int dives = 0;
  std::string last_start;
  for (const XMLElement* group = root->FirstChildElement("profiledata")->FirstChildElement("repetitiongroup"); group;
       group = group->NextSiblingElement("repetitiongroup")) {
    std::string day;
    for (const XMLElement* dive = group->FirstChildElement("dive"); dive; dive = dive->NextSiblingElement("dive")) {
      ++dives;
      const std::string id = std::string(dive->Attribute("id")).substr(5);
      SCOPED_TRACE(id);
      const DiveLog log = Record(id);
      const XMLElement* before = dive->FirstChildElement("informationbeforedive");
      const XMLElement* after = dive->FirstChildElement("informationafterdive");
      const std::string start = Text(before, "datetime");
      EXPECT_EQ(start.substr(0, 16),
                StartTimeText(JsonMember(log, "dive_datetime").asInt64(), LogInt(log, "timezone")).replace(10, 1, "T"));
      EXPECT_LE(last_start, start);  // dives in time order
      last_start = start;
      if (day.empty()) day = start.substr(0, 10);
      EXPECT_EQ(start.substr(0, 10), day);  // one group per day
      EXPECT_NEAR(Number(after, "greatestdepth"), LogDecimal(log, "max_depth"), 0.005);
      EXPECT_NEAR(Number(after, "averagedepth"), LogDecimal(log, "average_depth"), 0.005);
      EXPECT_EQ(Number(after, "diveduration"), LogInt(log, "dive_duration"));
      EXPECT_NEAR(Number(after, "lowesttemperature") - 273.15, LogDecimal(log, "min_temperature"), 0.006);
      EXPECT_NEAR(Number(before, "airtemperature") - 273.15, LogDecimal(log, "air_temperature"), 0.006);
      EXPECT_EQ(Text(after, "visibility").empty(), LogInt(log, "visibility_type") < 1);

      const bool free = LogDiveType(log) == DiveType::Free;
      const XMLElement* samples = dive->FirstChildElement("samples");
      const XMLElement* first = samples->FirstChildElement("waypoint");
      EXPECT_STREQ(first->FirstChildElement("divemode")->Attribute("type"), free ? "apnoe" : "opencircuit");
      const Json::Value& profile = JsonMember(log, "dive_profiles");
      Json::ArrayIndex n = 0;
      for (const XMLElement* wp = first; wp; wp = wp->NextSiblingElement("waypoint"), ++n) {
        ASSERT_LT(n, profile.size());
        EXPECT_EQ(Number(wp, "divetime"), LogInt(profile[n], "profile_time"));
        const double depth = DepthFromPressure(LogDecimal(log, "altitude"), LogDecimal(profile[n], "pressure"),
                                               LogInt(log, "water_type"));
        EXPECT_NEAR(Number(wp, "depth"), std::min<double>(depth, LogDecimal(log, "max_depth")), 0.006);
      }
      EXPECT_EQ(n, profile.size());

      const XMLElement* tank = dive->FirstChildElement("tankdata");
      EXPECT_EQ(tank == nullptr, free);
      if (tank) {
        EXPECT_NEAR(Number(tank, "tankpressurebegin"), LogDecimal(log, "air_in_text") * 1e5, 0.5);
        EXPECT_NEAR(Number(tank, "tankpressureend"), LogDecimal(log, "air_out_text") * 1e5, 0.5);
        EXPECT_NEAR(Number(tank, "tankvolume"), LogWholeNumber(log, "cylinder_size_text") / 1000.0, 1e-9);
        const XMLElement* mix = mixes[tank->FirstChildElement("link")->Attribute("ref")];
        ASSERT_TRUE(mix);
        EXPECT_NEAR(Number(mix, "o2"), LogInt(log, "po2") / 100.0, 1e-9);
      }
      const XMLElement* link = before->FirstChildElement("link");
      EXPECT_EQ(link != nullptr, PoiIdPresent(log));
      if (link) {
        const XMLElement* site = sites[link->Attribute("ref")];
        ASSERT_TRUE(site);
        EXPECT_EQ(Text(site, "name"), JsonText(JsonMember(log, "poi"), "poi_name"));
        EXPECT_NEAR(Number(site->FirstChildElement("geography"), "latitude"), PoiLocation(log).latitude, 1e-6);
        EXPECT_NEAR(Number(site->FirstChildElement("geography"), "longitude"), PoiLocation(log).longitude, 1e-6);
      }
    }
  }
  EXPECT_EQ(dives, kSeededDives);
}

TEST_F(ExportCloudTest, CsvRowsFollowTheUnitSetting) {
  struct Case {
    const char* unit;
    const char* depth_header;
    double feet;  // depth factor
    double psi;   // pressure factor
  };
  for (const Case& c :
       {Case{"metric", "max_depth_m", 1.0, 1.0}, Case{"imperial", "max_depth_ft", 3.2808399, 14.5037738}}) {
    SCOPED_TRACE(c.unit);
    const std::string path = dir_ + "/book-" + c.unit + ".csv";
    const test::CliResult r = Export(std::string("--unit ") + c.unit + " export --from 2024-05 --to 2024-06 " + path);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string text = test::SlurpFile(path);
    ASSERT_GT(text.size(), 3u);
    EXPECT_NE(text.substr(0, 3), "\xEF\xBB\xBF");  // no byte-order mark
    const auto rows = ParseCsv(text);
    ASSERT_EQ(rows.size(), 21u);  // header and two trips of ten dives
    const std::vector<std::string>& h = rows[0];
    ASSERT_EQ(h.size(), 19u);
    EXPECT_EQ(h[4], c.depth_header);
    State().unit = std::string(c.unit) == "imperial" ? 1 : 0;
    for (size_t i = 1; i < rows.size(); ++i) {
      const std::vector<std::string>& row = rows[i];
      ASSERT_EQ(row.size(), h.size());
      SCOPED_TRACE(row[0]);
      const DiveLog log = Record(row[0]);
      EXPECT_EQ(row[1] + " " + row[2],
                StartTimeText(JsonMember(log, "dive_datetime").asInt64(), LogInt(log, "timezone")));
      EXPECT_EQ(row[3], DiveTypeWord(LogDiveType(log)));
      EXPECT_NEAR(std::stod(row[4]), LogDecimal(log, "max_depth") * c.feet, 0.006);
      EXPECT_NEAR(std::stod(row[5]), LogDecimal(log, "average_depth") * c.feet, 0.006);
      EXPECT_EQ(std::stoi(row[6]), LogInt(log, "dive_duration"));
      const bool free = LogDiveType(log) == DiveType::Free;
      EXPECT_EQ(row[8].empty(), free);
      if (!free) {
        EXPECT_NEAR(std::stod(row[8]), LogDecimal(log, "air_in_text") * c.psi, 0.06);
        EXPECT_EQ(std::stoi(row[10]), LogWholeNumber(log, "cylinder_size_text"));
        EXPECT_EQ(std::stoi(row[11]), LogInt(log, "po2"));
      }
      EXPECT_EQ(row[12], JsonText(JsonMember(log, "poi"), "poi_name"));
      EXPECT_EQ(row[15], ConditionWord(ConditionScale::Weather, LogInt(log, "weather_type")));
      EXPECT_EQ(row[18], ConditionWord(ConditionScale::Visibility, LogInt(log, "visibility_type")));
    }
    State().unit = 0;
  }
}

// One fixed dive through both writers, compared byte for byte. Set
// ORVELLE_UPDATE_GOLDEN=1 to rewrite the files after a deliberate change.
TEST_F(ExportCloudTest, OneDiveMatchesTheGoldenFiles) {
  const std::vector<ExportDive> dives = {MakeExportDive(Record("d000007"))};
  const UddfHeader header{"1.0.0", "2024-07-01T08:00:00", "Demo Diver", "demo@orvelle.test"};
  for (auto [format, name] :
       {std::pair{ExportFormat::Uddf, "one_dive.uddf"}, std::pair{ExportFormat::Csv, "one_dive.csv"}}) {
    const std::string golden = std::string(ORVELLE_SOURCE_DIR) + "/tests/cloud/golden/" + name;
    const std::string text = ExportText(format, dives, header);
    if (std::getenv("ORVELLE_UPDATE_GOLDEN")) std::ofstream(golden, std::ios::binary) << text;
    EXPECT_EQ(text, test::SlurpFile(golden)) << name;
  }
}

// Other dive logs check an imported file against the format's schema, so
// ours must pass it: the whole demo logbook and the golden dive. A checkout
// without the schema beside it, or without xmllint, skips with the reason.
TEST_F(ExportCloudTest, UddfValidatesAgainstTheSchema) {
  const std::string schema = std::string(ORVELLE_SOURCE_DIR) + "/../shared/uddf/uddf_3.2.0.xsd";
  if (!fs::exists(schema)) GTEST_SKIP() << "UDDF schema not found at " << schema;
  if (std::system("command -v xmllint >/dev/null") != 0) GTEST_SKIP() << "xmllint missing (libxml2-utils)";
  const std::string book = dir_ + "/book.uddf";
  ASSERT_EQ(Export(std::string("export ") + kAllMonths + " " + book).exit_code, 0);
  for (const std::string& file : {book, std::string(ORVELLE_SOURCE_DIR) + "/tests/cloud/golden/one_dive.uddf"}) {
    const test::CliResult r =
        test::RunCommand("xmllint --noout --schema '" + schema + "' '" + file + "'", server_->dir());
    EXPECT_EQ(r.exit_code, 0) << file << "\n" << r.err.substr(0, 4000);
  }
}

TEST_F(ExportCloudTest, HostileSiteNameComesBackIntact) {
  const std::string hostile = "<b>Reef & \"Wall\" 'East', north\nside</b> 綠島 ]]> &amp;";
  HttpPost http;
  Result<DiveLog> log = FetchDiveLog(http, "d000075", nullptr);
  ASSERT_TRUE(log);
  Json::Value poi(Json::objectValue);
  poi["poi_id"] = "poi <&> 1";
  poi["poi_name"] = hostile;
  poi["gps_location"]["latitude"] = 22.6;
  poi["gps_location"]["longitude"] = 121.5;
  (*log)["poi"] = poi;
  ASSERT_EQ(StoreDiveLog(http, *log).key(), "");

  ASSERT_EQ(Export("export --from 2024-06 --to 2024-06 " + dir_ + "/h.uddf").exit_code, 0);
  ASSERT_EQ(Export("export --from 2024-06 --to 2024-06 " + dir_ + "/h.csv").exit_code, 0);
  tinyxml2::XMLDocument doc;
  ASSERT_EQ(doc.LoadFile((dir_ + "/h.uddf").c_str()), tinyxml2::XML_SUCCESS);
  const XMLElement* site = doc.RootElement()->FirstChildElement("divesite")->FirstChildElement("site");
  while (site && std::string(site->Attribute("id")) != UddfSiteId("poi <&> 1")) site = site->NextSiblingElement("site");
  ASSERT_TRUE(site);
  EXPECT_EQ(Text(site, "name"), hostile);
  bool linked = false;
  for (const XMLElement* g = doc.RootElement()->FirstChildElement("profiledata")->FirstChildElement(); g;
       g = g->NextSiblingElement())
    for (const XMLElement* d = g->FirstChildElement("dive"); d; d = d->NextSiblingElement("dive"))
      if (std::string(d->Attribute("id")) == "dive_d000075")
        linked =
            std::string(d->FirstChildElement("informationbeforedive")->FirstChildElement("link")->Attribute("ref")) ==
            site->Attribute("id");
  EXPECT_TRUE(linked);
  const auto rows = ParseCsv(test::SlurpFile(dir_ + "/h.csv"));
  std::string name = "(no row)";
  for (const auto& row : rows)
    if (row[0] == "d000075") name = row[12];
  EXPECT_EQ(name, hostile);
}

// A record that cannot be fetched costs that dive only, however its one
// request fails; the rest of the logbook is written.
TEST_F(ExportCloudTest, OneUnreadableRecordIsSkippedAndNamed) {
  const std::pair<const char*, const char*> cases[] = {
      {"badcode", "DATA_ERROR"}, {"html500", "HOST_NOT_CONN"}, {"text", "HOST_NOT_CONN"}, {"stall", "HOST_NOT_CONN"}};
  const std::string path = dir_ + "/partial.csv";
  for (auto [fault, key] : cases) {
    SCOPED_TRACE(fault);
    ASSERT_TRUE(server_->SetFault("divelog/d000003", fault));
    const ExportResult r = ExportLogBook(MonthRange{2023, 11, 2024, 6}, path);
    server_->SetFault("divelog/d000003", "none");
    EXPECT_EQ(r.failure.key(), "");
    EXPECT_EQ(r.written, kSeededDives - 1);
    ASSERT_EQ(r.skipped.size(), 1u);
    EXPECT_EQ(r.skipped[0].id + " " + r.skipped[0].failure.key(), std::string("d000003 ") + key);
    EXPECT_EQ(ParseCsv(test::SlurpFile(path)).size(), static_cast<size_t>(kSeededDives));
    fs::remove(path);
  }
}

TEST_F(ExportCloudTest, FailuresLeaveNoFileAndNameTheirKey) {
  // One refused record: the dive is skipped and named, the rest written.
  ASSERT_TRUE(server_->SetFault("divelog/d000003", "badcode"));
  test::CliResult r = Export(std::string("export ") + kAllMonths + " " + dir_ + "/partial.csv");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "79 dives written, 1 skipped: d000003 (DATA_ERROR)\n");
  EXPECT_EQ(ParseCsv(test::SlurpFile(dir_ + "/partial.csv")).size(), 80u);
  server_->SetFault("divelog/d000003", "none");
  fs::remove(dir_ + "/partial.csv");

  fs::create_directory(dir_ + "/folder.csv");
  struct Case {
    const char* what;
    const char* fault_endpoint;
    const char* fault;
    std::string password;
    std::string target;
    std::string key;
  };
  const Case cases[] = {
      {"wrong password", nullptr, nullptr, "wrong", dir_ + "/a.uddf", "EMAIL_PWD_ERROR"},
      {"month list unreadable", "calendar_month", "empty", sim::kDemoPassword, dir_ + "/a.uddf", "HOST_NOT_CONN"},
      {"day list refused", "calendar_date", "badcode", sim::kDemoPassword, dir_ + "/a.csv", "DATA_ERROR"},
      {"records unreachable", "divelog", "html500", sim::kDemoPassword, dir_ + "/a.csv", "HOST_NOT_CONN"},
      {"target is a folder", nullptr, nullptr, sim::kDemoPassword, dir_ + "/folder.csv", "EXPORT_WRITE_ERROR"},
      {"folder missing", nullptr, nullptr, sim::kDemoPassword, dir_ + "/missing/a.uddf", "EXPORT_WRITE_ERROR"},
      {"no dives in range", nullptr, nullptr, sim::kDemoPassword, dir_ + "/a.uddf", "EXPORT_NO_DIVES"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.fault_endpoint) server_->SetFault(c.fault_endpoint, c.fault);
    const std::string months =
        c.key == "EXPORT_NO_DIVES" ? "--from 2020-01 --to 2020-03" : "--from 2024-06 --to 2024-06";
    r = Export("export " + months + " " + c.target, c.password);
    if (c.fault_endpoint) server_->SetFault(c.fault_endpoint, "none");
    EXPECT_EQ(r.exit_code, 1);
    // The key's line ends the output, or comes just before the pointer to
    // the saved log book when the service was out of reach.
    std::string err = r.err;
    if (const size_t hint = err.find("OFFLINE_HINT: "); hint != std::string::npos) err.erase(hint);
    EXPECT_EQ(err.substr(err.rfind('\n', err.size() - 2) + 1), c.key + ": " + Tr(c.key) + "\n");
    EXPECT_EQ(Files(), (std::vector<std::string>{"folder.csv"}));
    EXPECT_TRUE(fs::is_empty(dir_ + "/folder.csv"));
  }
  // Malformed ranges and names are usage errors that ask nothing.
  for (const char* args : {"--from 2024-07 --to 2024-06 a.csv", "--from 2024-6 --to 2024-06 a.csv",
                           "--from 2024-01 --to 2024-06 a.txt", "--from 1900-01 --to 2100-01 a.csv"})
    EXPECT_EQ(Export(std::string("export ") + args).exit_code, 2) << args;
}

// A service that stops answering mid-walk ends the export within the
// transfer stall time, as the same failure, and writes nothing.
TEST_F(ExportCloudTest, StalledServiceEndsWithoutFile) {
  ASSERT_TRUE(server_->SetFault("divelog", "stall"));
  const std::string path = dir_ + "/stalled.uddf";
  const ExportResult result = ExportLogBook(MonthRange{2024, 6, 2024, 6}, path);
  server_->SetFault("divelog", "none");
  EXPECT_EQ(result.failure.key(), "HOST_NOT_CONN");
  EXPECT_EQ(result.written, 0);
  EXPECT_TRUE(Files().empty());
}

}  // namespace
}  // namespace orv
