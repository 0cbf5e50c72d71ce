// The saved copy on real SQLite files in a private folder: which requests
// it recognises (hostile ids included), where files land, the round trip
// of a batch, and the damaged, newer and unwritable files.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "cloud/reply_check.h"
#include "logbook/copy_place.h"
#include "logbook/data_source.h"
#include "logbook/saved_copy.h"
#include "logbook/write_through.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class SavedCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("logbook_unit_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
  }
  void TearDown() override {
    CloseSavedCopy();
    fs::remove_all(dir_);
  }
  std::string Path() const { return (dir_ / "copy.sqlite").string(); }
  fs::path dir_;
};

TEST_F(SavedCopyTest, RecognisesOnlyTheFourBrowseRequests) {
  struct Case {
    Endpoint endpoint;
    bool held;
    SavedKind kind;
    std::string key;
  } cases[] = {
      {CalendarMonthEndpoint(2020, 9), true, SavedKind::Month, "202009"},
      {CalendarDateEndpoint(2021, 3, 5), true, SavedKind::Day, "20210305"},
      {DiveLogEndpoint("d000007"), true, SavedKind::Dive, "d000007"},
      {DiveLogEndpoint("../x/%2F?&"), true, SavedKind::Dive, "../x/%2F?&"},
      {StatisticsEndpoint("../x"), true, SavedKind::Statistics, "../x"},
      {StatisticsEndpoint("u100001"), true, SavedKind::Statistics, "u100001"},
      {PatchDiveLogEndpoint("d000007", "{}"), false, {}, ""},
      {SearchDiveSitesEndpoint("reef"), false, {}, ""},
      {LoginEndpoint("a@b", "p"), false, {}, ""},
      {Endpoint{"GET", "api/v1/divelogs/calendar/month?year_month=20200x", "", BodyType::Form, true}, false, {}, ""},
      {Endpoint{"GET", "api/v1/divelogs/divelog/", "", BodyType::Form, true}, false, {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.endpoint.path);
    std::optional<SavedItem> item = SavedItemOf(c.endpoint);
    ASSERT_EQ(item.has_value(), c.held);
    if (!item) continue;
    EXPECT_EQ(item->kind, c.kind);
    EXPECT_EQ(item->key, c.key);
  }
}

TEST_F(SavedCopyTest, FileNamesStayInThePrivateFolderWhateverTheEmail) {
  const std::string folder = SavedCopyFolder(true);
  ASSERT_FALSE(folder.empty());
  struct stat st;
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  for (const char* email : {"../../etc/passwd", "a/b@c", "", "\n", "Demo@Orvelle.Test "}) {
    const std::string path = SavedCopyPath(email);
    EXPECT_EQ(fs::path(path).parent_path().string(), folder) << email;
    EXPECT_EQ(fs::path(path).filename().string().find_first_of("/."), std::string("logbook-").size() + 32);
  }
  EXPECT_EQ(SavedCopyPath("Demo@Orvelle.Test "), SavedCopyPath("demo@orvelle.test"));
  EXPECT_NE(SavedCopyPath("a@b"), SavedCopyPath("a@c"));
}

TEST_F(SavedCopyTest, BatchRoundTripsAndOfflineAnswersAsTheService) {
  ASSERT_EQ(OpenSavedCopyOnline({"diver@x", "../x", "Diver"}).key(), "");
  struct stat st;
  ASSERT_EQ(::stat(SavedCopyPath("diver@x").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  Json::Value stats;
  stats["scuba_max_depth"] = "35.26";
  stats["scuba_dive_time"] = 8130;
  Json::Value dive;
  dive["divelog"]["divelog_id"] = "d1";
  dive["divelog"]["po2"] = 0.1 + 0.2;  // every digit must survive
  SaveReply(StatisticsEndpoint("../x"), stats);
  SaveReply(DiveLogEndpoint("d1"), dive);
  SaveReply(SearchDiveSitesEndpoint("reef"), stats);  // not held, not saved
  CloseSavedCopy();

  SavedAccount account;
  ASSERT_EQ(OpenSavedCopyOffline("DIVER@x", account).key(), "");
  EXPECT_EQ(account.user_id, "../x");
  EXPECT_EQ(account.user_name, "Diver");
  EXPECT_TRUE(ReadingSavedCopy());
  for (const auto& [endpoint, expected] :
       {std::pair{StatisticsEndpoint("../x"), stats}, std::pair{DiveLogEndpoint("d1"), dive}}) {
    Result<std::string> answer = SavedReply(endpoint);
    ASSERT_TRUE(answer) << endpoint.path;
    Json::Value root;
    ASSERT_TRUE(ParseReply(*answer, root));
    EXPECT_EQ(root["code"].asString(), "0000000");
    EXPECT_EQ(root["response"], expected);
  }
  EXPECT_EQ(SavedReply(CalendarMonthEndpoint(2020, 9)).key(), "NOT_SAVED_MONTH");
  EXPECT_EQ(SavedReply(DiveLogEndpoint("d2")).key(), "NOT_SAVED_LOG");
  EXPECT_EQ(SavedReply(SearchDiveSitesEndpoint("reef")).key(), "NEEDS_SERVICE");
  // Offline nothing is written, not even what would pass online.
  SaveReply(CalendarMonthEndpoint(2020, 9), stats);
  EXPECT_EQ(SavedReply(CalendarMonthEndpoint(2020, 9)).key(), "NOT_SAVED_MONTH");
  EXPECT_EQ(OpenSavedCopyOffline("nobody@x", account).key(), "NO_SAVED_COPY");
  EXPECT_FALSE(fs::exists(SavedCopyPath("nobody@x")));
}

TEST_F(SavedCopyTest, OnlyRepliesThatPassTheirCheckAreKept) {
  ASSERT_EQ(OpenSavedCopyOnline({"diver@x", "u1", "Diver"}).key(), "");
  const std::string ok = R"({"code":"0000000","response":)";
  struct Case {
    Endpoint endpoint;
    std::string body;
    std::string key;  // empty: answered and kept
  } cases[] = {
      {DiveLogEndpoint("d1"), ok + R"({"divelog":{"divelog_id":"d1"}}})", ""},
      // A dive reply without its record is the service refusing it.
      {DiveLogEndpoint("d2"), ok + "{}}", "DATA_ERROR"},
      {DiveLogEndpoint("d3"), ok + R"({"divelog":[1]}})", "DATA_ERROR"},
      {CalendarMonthEndpoint(2020, 9), ok + "{}}", ""},
      {CalendarDateEndpoint(2020, 9, 1), R"({"code":"0000001"})", "DATA_ERROR"},
      {StatisticsEndpoint("u1"), "", "HOST_NOT_CONN"},
  };
  std::shared_ptr<SavedCopy> copy = ActiveSavedCopy();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.endpoint.path);
    SourceRequest how(c.endpoint.saved->kind == SavedKind::Dive ? CallKind::DiveLogDetail : CallKind::Standard);
    EXPECT_EQ(TakeReply(c.endpoint, c.body, how).key(), c.key);
    EXPECT_EQ(copy->Read(*c.endpoint.saved).has_value(), c.key.empty());
  }
}

TEST_F(SavedCopyTest, DamagedNewerAndUnwritableFiles) {
  struct Case {
    const char* name;
    std::string content;  // empty: a copy of a newer schema
    std::string key;
    bool usable;
  } cases[] = {
      {"garbage", std::string(5000, 'x'), "", true},
      {"truncated header", "SQLite format 3", "", true},
      {"newer", "", "SAVED_COPY_NEWER", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    if (c.content.empty()) {
      sqlite3* db = nullptr;
      ASSERT_EQ(sqlite3_open(Path().c_str(), &db), SQLITE_OK);
      sqlite3_exec(db, "CREATE TABLE future(x); PRAGMA user_version=99;", nullptr, nullptr, nullptr);
      sqlite3_close(db);
    } else {
      std::ofstream(Path(), std::ios::binary) << c.content;
    }
    const std::string before = Slurp(Path());
    Result<std::unique_ptr<SavedCopy>> copy = SavedCopy::Open(Path(), true);
    EXPECT_EQ(copy.key(), c.key);
    EXPECT_EQ(copy.ok(), c.usable);
    if (c.usable) {
      // Moved aside whole, and a fresh copy in its place takes a batch.
      EXPECT_EQ(Slurp((*copy)->broken_aside()), before);
      EXPECT_NE((*copy)->broken_aside().find("copy.sqlite.broken-"), std::string::npos);
      EXPECT_FALSE((*copy)->Commit({{{SavedKind::Month, "202009"}, "{}", ""}}, 1));
      EXPECT_EQ((*copy)->Read({SavedKind::Month, "202009"}).value_or(""), "{}");
    } else {
      EXPECT_EQ(Slurp(Path()), before);  // a newer program's copy is never rewritten
    }
  }
  // A folder where the file should be is refused, never replaced.
  fs::remove_all(dir_);
  fs::create_directories(dir_ / "copy.sqlite");
  EXPECT_EQ(SavedCopy::Open(Path(), true).key(), "SAVED_COPY_WRITE");
}

// A diver told "disk full" when the copy is only busy would clean up a disk
// for nothing: every SQLite failure says which it is.
TEST_F(SavedCopyTest, WriteFailuresSayWhich) {
  const struct {
    int code;
    const char* key;
  } cases[] = {
      {SQLITE_BUSY, "SAVED_COPY_BUSY"},         {SQLITE_LOCKED, "SAVED_COPY_BUSY"},
      {SQLITE_FULL, "SAVED_COPY_FULL"},         {SQLITE_READONLY_DBMOVED, "SAVED_COPY_READ_ONLY"},
      {SQLITE_CORRUPT, "SAVED_COPY_DAMAGED"},   {SQLITE_NOTADB, "SAVED_COPY_DAMAGED"},
      {SQLITE_IOERR_WRITE, "SAVED_COPY_WRITE"}, {SQLITE_CANTOPEN, "SAVED_COPY_WRITE"},
  };
  for (const auto& c : cases) EXPECT_EQ(SavedCopyFailure(c.code, "why").key(), c.key) << c.code;

  // A real lock held by another program: the batch waits its time, then ends
  // busy with SQLite's words, and the copy keeps what it had.
  Result<std::unique_ptr<SavedCopy>> copy = SavedCopy::Open(Path(), true);
  ASSERT_TRUE(copy);
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(Path().c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  const Failure busy = (*copy)->Commit({{{SavedKind::Month, "202009"}, "{}", ""}}, 1);
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_EQ(busy.key(), "SAVED_COPY_BUSY");
  EXPECT_FALSE(busy.detail.empty());
  EXPECT_FALSE((*copy)->Read({SavedKind::Month, "202009"}));
}

// Opening reads the header and the schema only; a damaged page further in
// is found by the read that reaches it or by the check a sync ends with, and
// the file is moved aside whole, never deleted.
TEST_F(SavedCopyTest, ADamagedPageTheOpeningSkipsIsFoundLaterAndSetAside) {
  const SavedAccount account{"diver@x", "u1", "Diver"};
  for (const bool at_sync_end : {false, true}) {
    SCOPED_TRACE(at_sync_end ? "the check a sync ends with" : "an offline read");
    fs::remove_all(dir_ / "data");
    ASSERT_EQ(OpenSavedCopyOnline(account).key(), "");
    SavedBatch batch;
    for (int i = 0; i < 300; ++i)
      batch.push_back({{SavedKind::Dive, "d" + std::to_string(i)}, "\"" + std::string(2000, 'a') + "\"", ""});
    ASSERT_FALSE(ActiveSavedCopy()->Commit(batch, 1));
    CloseSavedCopy();
    const std::string path = SavedCopyPath(account.email);
    sqlite3* db = nullptr;  // the journal folded into the file, whose pages are damaged
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    {  // the last pages: dives and their index, far from the header
      std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
      file.seekp(static_cast<std::streamoff>(fs::file_size(path)) - 16 * 4096);
      file << std::string(16 * 4096, '\xff');
    }
    const std::string damaged = Slurp(path);
    if (at_sync_end) {
      ASSERT_EQ(OpenSavedCopyOnline(account).key(), "");
      EXPECT_EQ(ActiveSavedCopy()->CheckWhole().key(), "SAVED_COPY_BROKEN");
      // What comes next goes into a fresh copy of the same account.
      EXPECT_FALSE(ActiveSavedCopy()->Commit({{{SavedKind::Month, "202009"}, "{}", ""}}, 1));
      EXPECT_EQ(ActiveSavedCopy()->Account().value_or(SavedAccount{}).email, account.email);
    } else {
      SavedAccount read;
      ASSERT_EQ(OpenSavedCopyOffline(account.email, read).key(), "");
      std::string key;
      for (int i = 0; i < 300 && key.empty(); ++i) key = SavedReply(DiveLogEndpoint("d" + std::to_string(i))).key();
      EXPECT_EQ(key, "SAVED_COPY_BROKEN");
      EXPECT_FALSE(fs::exists(path));  // offline nothing is created
    }
    EXPECT_EQ(Slurp(ActiveSavedCopy()->broken_aside()), damaged);
    CloseSavedCopy();
  }
}

}  // namespace
}  // namespace orv
