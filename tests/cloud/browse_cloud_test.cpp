// Browsing against a real orvelle-cloudsim over TLS on loopback: the
// handlers in-process on the real page, and the orvelle-cli commands month,
// day and stats as a diver's script would run them.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/headless/headless_engine.h"
#include "app/string_table.h"
#include "browse/calendar_func.h"
#include "browse/history_func.h"
#include "seed.h"
#include "shared_sim_test.h"

namespace orv {
namespace {

const std::string kBin = ORVELLE_BIN_DIR;

struct CliResult {
  int status = -1;
  std::vector<std::string> lines;
  std::string err;
};

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

class BrowseCloudTest : public test::SharedSimTest {
 protected:
  void SetUp() override {
    server_->Use();
    for (const char* ep : {"calendar_month", "calendar_date", "statistics"}) server_->SetFault(ep, "none");
  }

  CliResult Cli(const std::string& args) {
    const std::string err_file = server_->dir() + "/cli.err";
    const std::string cmd = Quote(kBin + "/orvelle-cli") + " --service 127.0.0.1:" + std::to_string(server_->port()) +
                            " --ca-file " + Quote(server_->ca_file()) + " --email " + Quote(sim::kDemoEmail) +
                            " --password " + Quote(sim::kDemoPassword) + " " + args + " 2>" + Quote(err_file);
    CliResult r;
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return r;
    std::string out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) r.lines.push_back(line);
    std::ifstream err(err_file);
    r.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    return r;
  }

  static std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string f; std::getline(in, f, '\t');) out.push_back(f);
    return out;
  }
};

TEST_F(BrowseCloudTest, CliMonthMarksDiveDaysAndDayPrintsFeet) {
  CliResult month = Cli("--unit metric month 2024-06");
  ASSERT_EQ(month.status, 0) << month.err;
  ASSERT_EQ(month.lines.size(), 42u);
  EXPECT_EQ(month.lines[0], "2024-05-26\tdate_td_in_month");  // 1 June 2024 is a Saturday
  EXPECT_EQ(Fields(month.lines[6])[0], "2024-06-01");
  EXPECT_EQ(Fields(month.lines[41])[0], "2024-07-06");
  std::string dive_day;
  for (const std::string& line : month.lines) {
    auto f = Fields(line);
    ASSERT_EQ(f.size(), 2u) << line;
    if (f[1] == "date_td_in_dive_day btnctrl" && f[0].rfind("2024-06", 0) == 0 && dive_day.empty()) dive_day = f[0];
  }
  ASSERT_FALSE(dive_day.empty()) << "the seeded month shows no dive day";

  CliResult day = Cli("--unit imperial day " + dive_day);
  ASSERT_EQ(day.status, 0) << day.err;
  ASSERT_FALSE(day.lines.empty());
  std::set<std::string> ids;
  for (const std::string& line : day.lines) {
    auto f = Fields(line);
    ASSERT_EQ(f.size(), 6u) << line;
    EXPECT_EQ(f[0].substr(0, 5), dive_day.substr(5, 5));  // MM-DD of the day asked for
    EXPECT_EQ(f[3], "ft");
    EXPECT_NE(f[5], "");
    ids.insert(f[5]);
  }
  EXPECT_EQ(ids.size(), day.lines.size());  // every dive has its own id

  // The same day in metres, Chinese words: depths differ by the feet factor.
  CliResult metric = Cli("--unit metric --lang CHT day " + dive_day);
  ASSERT_EQ(metric.status, 0) << metric.err;
  ASSERT_EQ(metric.lines.size(), day.lines.size());
  auto m0 = Fields(metric.lines[0]);
  auto i0 = Fields(day.lines[0]);
  EXPECT_EQ(m0[3], "m");
  EXPECT_NEAR(std::stod(m0[2]) * 3.2808399, std::stod(i0[2]), 0.2);
  LanguageCode = "CHT";
  EXPECT_TRUE(m0[1] == Tr("SCUBA") || m0[1] == Tr("GAUGE") || m0[1] == Tr("FREEDIVE")) << m0[1];
  LanguageCode = "ENG";
}

TEST_F(BrowseCloudTest, CliStatsAndFailures) {
  CliResult stats = Cli("--unit metric stats");
  ASSERT_EQ(stats.status, 0) << stats.err;
  const char* ids[] = {"scuba_total_dive", "scuba_total_time", "scuba_max_depth", "scuba_max_depth_unit",
                       "free_total_dive",  "free_total_time",  "free_max_depth",  "free_max_depth_unit"};
  ASSERT_EQ(stats.lines.size(), 8u);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(Fields(stats.lines[i])[0], ids[i]);
  EXPECT_GT(std::stoi(Fields(stats.lines[0])[1]), 0);
  EXPECT_EQ(Fields(stats.lines[3])[1], "m");

  LanguageCode = "ENG";
  server_->SetFault("calendar_month", "badcode");
  CliResult bad = Cli("--lang ENG month 2024-06");
  EXPECT_EQ(bad.status, 1);
  EXPECT_TRUE(bad.lines.empty());
  EXPECT_EQ(bad.err, "DATA_ERROR: " + Tr("DATA_ERROR") + "\n");
  server_->SetFault("calendar_date", "html500");
  CliResult html = Cli("--lang ENG day 2024-06-03");
  EXPECT_EQ(html.status, 1);
  EXPECT_EQ(html.err.rfind("HOST_NOT_CONN: ", 0), 0u) << html.err;
  server_->SetFault("statistics", "nocode");
  EXPECT_EQ(Cli("--lang ENG stats").err.rfind("HOST_ERROR: ", 0), 0u);
  // Malformed arguments are usage errors, not requests.
  EXPECT_EQ(Cli("month 2024-13").status, 2);
  EXPECT_EQ(Cli("day 2024-02-30").status, 2);
  EXPECT_EQ(Cli("month 202406").status, 2);
}

TEST_F(BrowseCloudTest, HandlersOnTheRealPage) {
  ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
  State().unit = 0;
  State().page_folder = kBin + "/ENG/";
  HeadlessWindow win;
  ASSERT_TRUE(win.LoadFile(kBin + "/ENG/main.htm"));
  CalendarFunc cal;
  HistoryFunc history;
  cal.Bind(&win);
  history.attach(&win);
  EXPECT_NE(win.TextOf(win.FindInFrame("framepage1", "scuba_total_dive")), "0");
  ASSERT_EQ(cal.ShowMonth(2024, 6).key(), "");
  int marked = -1;
  for (int i = 0; i < 42 && marked < 0; ++i)
    if (cal.month().cells[i].cls == kClassDiveDay && cal.month().cells[i].date.month == 6) marked = i;
  ASSERT_GE(marked, 0);
  EXPECT_EQ(cal.month().cells[marked].element.Attr("class"), kClassDiveDay);
  ASSERT_EQ(cal.OpenDay(marked).key(), "");
  ElementRef body = win.FindInFrame("framepage1", "cell_tbody");
  ASSERT_GT(win.ChildCount(body), 0);
  EXPECT_FALSE(body.Child(0).FindBelow("view").Attr("objid").empty());
  EXPECT_EQ(win.TextOf(body.Child(0).FindBelow("depth_unit")), "m");
}

}  // namespace
}  // namespace orv
