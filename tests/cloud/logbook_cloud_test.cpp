// The saved log book through orvelle-cli against a real orvelle-cloudsim:
// sync then browse offline prints byte for byte what browsing online prints,
// and the faults a diver meets (a killed sync, a damaged file, a full disk,
// a newer program's copy, two programs at once) keep the copy whole, judged
// by SQLite's own integrity check.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/cancellable.h"
#include "app/stop_request.h"
#include "cli_runner.h"
#include "cloud/http_post.h"
#include "cloud/json_read.h"
#include "cloud/service_config.h"
#include "divelog/dive_log.h"
#include "logbook/log_book_sync.h"
#include "logbook/write_through.h"
#include "seed.h"
#include "shared_sim_test.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

// What SQLite says of the file, and how many dives it holds (-1: unreadable).
std::pair<std::string, int> Inspect(const std::string& path) {
  sqlite3* db = nullptr;
  std::pair<std::string, int> result{"unopened", -1};
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    auto scalar = [&](const char* sql) {
      sqlite3_stmt* s = nullptr;
      std::string text = "error";
      if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
        text = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
      sqlite3_finalize(s);
      return text;
    };
    result.first = scalar("PRAGMA integrity_check");
    const std::string count = scalar("SELECT count(*) FROM dives");
    result.second = count == "error" ? -1 : std::stoi(count);
  }
  sqlite3_close(db);
  return result;
}

// Every saved reply of the copy, the times they were fetched left out.
std::string Contents(const std::string& path) {
  sqlite3* db = nullptr;
  std::string text;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK)
    for (const char* sql :
         {"SELECT year_month, response FROM months ORDER BY 1", "SELECT date, response FROM days ORDER BY 1",
          "SELECT divelog_id, record || list_row FROM dives ORDER BY 1",
          "SELECT user_id, response FROM statistics ORDER BY 1"}) {
      sqlite3_stmt* s = nullptr;
      sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
      while (s && sqlite3_step(s) == SQLITE_ROW)
        for (int column : {0, 1}) text.append(reinterpret_cast<const char*>(sqlite3_column_text(s, column))) += '\n';
      sqlite3_finalize(s);
    }
  sqlite3_close(db);
  return text;
}

std::string Slurp(const std::string& path) { return test::SlurpFile(path); }

// A file's text without the time of its own creation (the UDDF generator's
// first <datetime>), which differs between any two runs.
std::string WithoutCreationTime(std::string text) {
  const size_t from = text.find("<datetime>"), to = text.find("</datetime>");
  if (from != std::string::npos && to != std::string::npos) text.erase(from, to - from);
  return text;
}

class LogBookCloudTest : public test::SharedSimTest {
 protected:
  void SetUp() override {
    test::SharedSimTest::SetUp();
    for (const char* ep : {"calendar_month", "calendar_date", "divelog", "divelog/d000003", "statistics"})
      server_->SetFault(ep, "none");
    home_ = server_->dir() + "/home";
    fs::remove_all(home_);
    fs::create_directories(home_);
  }

  std::string Env() const { return "XDG_DATA_HOME='" + home_ + "/data' XDG_CONFIG_HOME='" + home_ + "/config'"; }
  std::string Args(const std::string& args) const {
    return "--service 127.0.0.1:" + std::to_string(server_->port()) + " --ca-file '" + server_->ca_file() +
           "' --email '" + sim::kDemoEmail + "' --password '" + sim::kDemoPassword + "' --lang ENG " + args;
  }
  test::CliResult Cli(const std::string& args, const std::string& prefix = "") const {
    return test::RunCli(Args(args), home_, prefix + Env());
  }
  // The one copy of the demo account in this test's data folder.
  std::string CopyPath() const {
    std::error_code absent;
    for (const auto& e : fs::directory_iterator(home_ + "/data/orvelle-pc-tool", absent))
      if (e.path().extension() == ".sqlite") return e.path().string();
    return {};
  }
  // orvelle-cli sync started in the background; its pid.
  pid_t StartSync(const std::string& extra = "") const {
    const std::string cmd =
        Env() + " exec " ORVELLE_BIN_DIR "/orvelle-cli " + Args("sync " + extra) + " >/dev/null 2>&1";
    const pid_t pid = fork();
    if (pid == 0) {
      execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    return pid;
  }
  static int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string home_;
};

TEST_F(LogBookCloudTest, SyncThenOfflineOutputsEqualOnlineByteForByte) {
  test::CliResult sync = Cli("sync");
  ASSERT_EQ(sync.exit_code, 0) << sync.err;
  EXPECT_EQ(sync.out, "Log book saved on this computer: 80 dives (80 fetched now, 0 skipped)\n");
  EXPECT_NE(sync.err.find("80 dives, 80 fetched, 0 skipped\n"), std::string::npos) << sync.err;  // plain lines
  EXPECT_EQ(Inspect(CopyPath()), std::make_pair(std::string("ok"), 80));

  const std::string day = "2024-03-" + std::string("10");
  struct Case {
    std::string args;
    std::string file;  // export: the file compared instead of stdout
  } cases[] = {{"month 2024-03", ""},
               {"month 2023-11", ""},
               {"day " + day, ""},
               {"stats", ""},
               {"--unit imperial stats", ""},
               {"export --from 2023-11 --to 2024-06 " + home_ + "/book.csv", "csv"},
               {"export --from 2024-01 --to 2024-02 " + home_ + "/book.uddf", "uddf"}};
  std::string first_id;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    test::CliResult online = Cli(c.args);
    ASSERT_EQ(online.exit_code, 0) << online.err;
    const std::string online_file = c.file.empty() ? "" : WithoutCreationTime(Slurp(home_ + "/book." + c.file));
    const int month_hits = server_->Hits("calendar_month"), date_hits = server_->Hits("calendar_date");
    test::CliResult offline = Cli("--offline " + c.args);
    ASSERT_EQ(offline.exit_code, 0) << offline.err;
    EXPECT_EQ(offline.out, online.out);
    if (!c.file.empty()) {
      EXPECT_EQ(WithoutCreationTime(Slurp(home_ + "/book." + c.file)), online_file);
    }
    EXPECT_EQ(server_->Hits("calendar_month"), month_hits);  // offline sends nothing
    EXPECT_EQ(server_->Hits("calendar_date"), date_hits);
    if (c.args.rfind("day", 0) == 0)
      first_id = online.out.substr(online.out.rfind('\t', online.out.find('\n')) + 1,
                                   online.out.find('\n') - online.out.rfind('\t', online.out.find('\n')) - 1);
  }
  ASSERT_FALSE(first_id.empty());
  EXPECT_EQ(Cli("--offline log " + first_id).out, Cli("log " + first_id).out);

  // Again: every month asked, nothing fetched; --full fetches everything.
  EXPECT_EQ(Cli("sync").out, "Log book saved on this computer: 80 dives (0 fetched now, 0 skipped)\n");
  EXPECT_EQ(Cli("sync --full --from 2023-11").out,
            "Log book saved on this computer: 80 dives (80 fetched now, 0 skipped)\n");
}

TEST_F(LogBookCloudTest, ARefusedRecordIsSkippedAndTheNextSyncFetchesOnlyIt) {
  server_->SetFault("divelog/d000003", "badcode");
  test::CliResult first = Cli("sync --from 2023-11");
  server_->SetFault("divelog/d000003", "none");
  EXPECT_EQ(first.exit_code, 0) << first.err;
  EXPECT_EQ(first.out, "Log book saved on this computer: 79 dives (79 fetched now, 1 skipped)\n");
  const int before = server_->Hits("divelog");
  EXPECT_EQ(Cli("sync --from 2023-11").out, "Log book saved on this computer: 80 dives (1 fetched now, 0 skipped)\n");
  EXPECT_EQ(server_->Hits("divelog") - before, 1);
  // The service gone mid-way: the key, and every month before it kept.
  server_->SetFault("calendar_date", "empty");
  test::CliResult gone = Cli("sync --full --from 2023-11");
  server_->SetFault("calendar_date", "none");
  EXPECT_EQ(gone.exit_code, 1);
  EXPECT_NE(gone.err.find("HOST_NOT_CONN: "), std::string::npos) << gone.err;
  EXPECT_EQ(Inspect(CopyPath()), std::make_pair(std::string("ok"), 80));
}

TEST_F(LogBookCloudTest, OfflineSaysWhatIsMissingAndOnlineFailuresPointToIt) {
  struct Case {
    std::string args;
    int exit_code;
    std::string err;  // what stderr holds
  } before_any_copy[] = {
      {"--offline month 2024-03", 1, "NO_SAVED_COPY: "},
      {"--offline upload", 1, "NEEDS_SERVICE: "},
      {"forget", 1, "NO_SAVED_COPY: "},
  };
  for (const Case& c : before_any_copy) {
    test::CliResult r = Cli(c.args);
    EXPECT_EQ(r.exit_code, c.exit_code) << c.args;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << ": " << r.err;
  }
  // Write-through: what was browsed online is there offline, nothing else.
  ASSERT_EQ(Cli("month 2024-03").exit_code, 0);
  struct stat st;
  ASSERT_EQ(::stat(CopyPath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  Case with_copy[] = {
      {"--offline month 2024-03", 0, ""},
      {"--offline month 2024-04", 1, "NOT_SAVED_MONTH: This month is not saved on this computer.\n"},
      {"--offline day 2024-03-10", 1, "NOT_SAVED_DAY: "},
      {"--offline log d000001", 1, "NOT_SAVED_LOG: "},
      {"--offline stats", 1, "NOT_SAVED_STATS: "},
      {"--offline export --from 2024-03 --to 2024-03 " + home_ + "/x.csv", 1, "NOT_SAVED_DAY: "},
  };
  for (const Case& c : with_copy) {
    test::CliResult r = Cli(c.args);
    EXPECT_EQ(r.exit_code, c.exit_code) << c.args;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << ": " << r.err;
  }
  EXPECT_FALSE(fs::exists(home_ + "/x.csv"));
  // The service out of reach: its key, then the hint, only when a copy exists.
  const std::string gone = "--service 127.0.0.1:1 --ca-file '" + server_->ca_file() + "' --email '" + sim::kDemoEmail +
                           "' --password x --lang ENG stats";
  test::CliResult hint = test::RunCli(gone, home_, Env());
  EXPECT_EQ(hint.exit_code, 1);
  EXPECT_NE(hint.err.find("\nOFFLINE_HINT: "), std::string::npos) << hint.err;
  ASSERT_EQ(Cli("forget").exit_code, 0);
  EXPECT_TRUE(CopyPath().empty());
  hint = test::RunCli(gone, home_, Env());
  EXPECT_EQ(hint.err.find("OFFLINE_HINT"), std::string::npos) << hint.err;
}

TEST_F(LogBookCloudTest, KilledSyncLeavesACopyThatOpensAndTheNextCompletes) {
  ASSERT_EQ(Cli("sync --from 2023-11").exit_code, 0);
  const std::string clean = Contents(CopyPath());
  std::mt19937 random(std::random_device{}());
  for (int run = 0; run < 4; ++run) {
    fs::remove_all(home_ + "/data");
    const int delay_ms = 30 + static_cast<int>(random() % 300);
    SCOPED_TRACE("killed after " + std::to_string(delay_ms) + " ms");
    // One record held unanswered, so the kill always comes mid-sync.
    server_->SetFault("divelog/d000040", "stall");
    const pid_t pid = StartSync("--from 2023-11");
    usleep(delay_ms * 1000);
    kill(pid, SIGKILL);
    Wait(pid);
    server_->SetFault("divelog/d000040", "none");
    // Killed before its first commit the file may hold no tables yet; it
    // still opens clean.
    const int committed = CopyPath().empty() ? 0 : std::max(0, Inspect(CopyPath()).second);
    if (!CopyPath().empty()) {
      EXPECT_EQ(Inspect(CopyPath()).first, "ok");
    }
    EXPECT_LT(committed, 80);
    usleep(50000);  // what the killed run had sent has reached the service
    const int before = server_->Hits("divelog");
    test::CliResult again = Cli("sync --from 2023-11");
    EXPECT_EQ(again.exit_code, 0) << again.err;
    // Every record committed before the kill is kept, none asked for twice,
    // and the copy ends as one synced without a break.
    EXPECT_EQ(server_->Hits("divelog") - before, 80 - committed);
    EXPECT_EQ(Inspect(CopyPath()), std::make_pair(std::string("ok"), 80));
    EXPECT_EQ(Contents(CopyPath()), clean);
  }
}

TEST_F(LogBookCloudTest, AStopDuringASyncEndsItWithinASecond) {
  setenv("XDG_DATA_HOME", (home_ + "/data").c_str(), 1);
  // One record held unanswered: the sync cannot finish by itself.
  server_->SetFault("divelog/d000040", "stall");
  for (const int signal_number : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal_number);
    ClearStopRequest();
    fs::remove_all(home_ + "/data");
    ASSERT_EQ(SignInAndOpenCopy(sim::kDemoEmail, sim::kDemoPassword).key(), "");
    const int before = server_->Hits("divelog");
    StopSignalScope signals;
    std::chrono::steady_clock::time_point sent;
    std::thread stopper([&] {
      for (int i = 0; i < 50 && server_->Hits("divelog") - before < 40; ++i) usleep(20000);
      sent = std::chrono::steady_clock::now();
      kill(getpid(), signal_number);
    });
    SyncOptions options;
    options.has_from = true;
    options.from_year = 2023;
    options.from_month = 11;
    const SyncResult result = SyncLogBook(options);
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
    stopper.join();
    EXPECT_EQ(result.failure.key(), "SYNC_STOPPED");
    EXPECT_LT(took, 1.0);
    // The months before the held record are whole in the copy.
    EXPECT_GT(result.counts.dives_fetched, 0);
    CloseSavedCopy();
    EXPECT_EQ(Inspect(CopyPath()).first, "ok");
  }
  ClearStopRequest();
  server_->SetFault("divelog/d000040", "none");
}

TEST_F(LogBookCloudTest, DamagedNewerFullAndSharedCopies) {
  ASSERT_EQ(Cli("sync --from 2024-06").exit_code, 0);
  const std::string path = CopyPath();
  // Damaged: moved aside untouched, told once, a fresh copy fills again.
  std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(8192, '\x5a');
  fs::remove(path + "-wal");
  test::CliResult told = Cli("month 2024-06");
  EXPECT_EQ(told.exit_code, 0);
  EXPECT_EQ(told.err.rfind("SAVED_COPY_BROKEN: ", 0), 0u) << told.err;
  EXPECT_EQ(Cli("month 2024-06").err, "");
  int aside = 0;
  for (const auto& e : fs::directory_iterator(fs::path(path).parent_path()))
    if (e.path().filename().string().find(".broken-") != std::string::npos)
      aside += Slurp(e.path().string()) == std::string(8192, '\x5a');
  EXPECT_EQ(aside, 1);

  // A full disk (a file size limit, its signal ignored as a full disk gives
  // none): the sync ends with the key, the copy still whole.
  test::CliResult full = Cli("sync --full --from 2023-11", "trap '' XFSZ; ulimit -f 64; ");
  EXPECT_EQ(full.exit_code, 1);
  EXPECT_NE(full.err.find("SAVED_COPY_WRITE: "), std::string::npos) << full.err;
  EXPECT_EQ(Inspect(path).first, "ok");

  // Two programs at once on one copy, and a reader beside them.
  const pid_t a = StartSync("--full --from 2023-11"), b = StartSync("--from 2023-11");
  test::CliResult reader = Cli("--offline month 2024-06");
  EXPECT_EQ(Wait(a), 0);
  EXPECT_EQ(Wait(b), 0);
  EXPECT_EQ(reader.exit_code, 0) << reader.err;
  EXPECT_EQ(Inspect(path), std::make_pair(std::string("ok"), 80));

  // A newer program's copy: refused online and offline, never rewritten.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE); PRAGMA user_version=7;", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  const std::string newer = Slurp(path);
  for (const char* args : {"sync", "--offline month 2024-06"}) {
    test::CliResult r = Cli(args);
    EXPECT_EQ(r.exit_code, 1) << args;
    EXPECT_NE(r.err.find("SAVED_COPY_NEWER: "), std::string::npos) << args << ": " << r.err;
  }
  EXPECT_EQ(Slurp(path), newer);
}

TEST_F(LogBookCloudTest, AStoredEditRefreshesTheSavedRecordAndOfflineEditsNeedTheService) {
  setenv("XDG_DATA_HOME", (home_ + "/data").c_str(), 1);
  ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
  ASSERT_EQ(OpenSavedCopyOnline({sim::kDemoEmail, State().user_id, State().display_name}).key(), "");
  HttpPost http;
  Result<DiveLog> log = FetchDiveLog(http, "d000002", nullptr);
  ASSERT_TRUE(log);
  LogEditRecord record = FillEditRecord(*log);
  record.weight = record.weight + 1.25;
  MergeEditRecord(record, *log);
  ASSERT_EQ(StoreDiveLog(http, *log).key(), "");
  const std::string stored = JsonText(*log, "weight");
  CloseSavedCopy();

  SavedAccount account;
  ASSERT_EQ(OpenSavedCopyOffline(sim::kDemoEmail, account).key(), "");
  HttpPost offline_http;
  Result<DiveLog> saved = FetchDiveLog(offline_http, "d000002", nullptr);
  ASSERT_TRUE(saved);
  EXPECT_EQ(JsonText(*saved, "weight"), stored);
  EXPECT_EQ(StoreDiveLog(offline_http, *saved).key(), "NEEDS_SERVICE");
  CloseSavedCopy();
  unsetenv("XDG_DATA_HOME");
}

// The desktop's background save, stopped while the service holds a dive
// record's request open: it ends at once, not when the request times out,
// and says it was stopped, keeping what it saved.
TEST_F(LogBookCloudTest, StoppingASaveCutsOffTheRequestTheServiceHolds) {
  setenv("XDG_DATA_HOME", (home_ + "/data").c_str(), 1);
  ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
  ASSERT_EQ(OpenSavedCopyOnline({sim::kDemoEmail, State().user_id, State().display_name}).key(), "");
  ASSERT_TRUE(server_->SetFault("divelog", "stall"));
  const int saved_timeout = Service().request_timeout_ms;
  Service().request_timeout_ms = 60000;
  Cancellable stop(&ProgramStop());
  SyncResult result;
  std::thread save([&] {
    SyncOptions options;
    options.stop = &stop;
    options.yield_to_diver = true;
    result = SyncLogBook(options);
  });
  // The month and its day lists come at once; the record is then held.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  const auto start = std::chrono::steady_clock::now();
  stop.Cancel();
  save.join();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  Service().request_timeout_ms = saved_timeout;
  server_->SetFault("divelog", "none");
  EXPECT_LT(seconds, 1.0);
  EXPECT_EQ(result.failure.key(), "SYNC_STOPPED");
  const std::string path = ActiveSavedCopy()->path();
  CloseSavedCopy();
  EXPECT_EQ(Inspect(path).first, "ok");
  unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace orv
