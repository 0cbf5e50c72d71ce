#include "logbook/saved_copy.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "cloud/json_read.h"

namespace orv {

namespace {

// Long enough to ride out the other program's batch, short enough that a
// stuck writer ends the operation with a key instead of hanging it.
constexpr int kBusyMilliseconds = 5000;

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS account(
  id INTEGER PRIMARY KEY CHECK (id = 1), email TEXT NOT NULL, user_id TEXT NOT NULL, user_name TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS months(
  year_month TEXT PRIMARY KEY, response TEXT NOT NULL, fetched_at INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS days(
  date TEXT PRIMARY KEY, response TEXT NOT NULL, fetched_at INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS dives(
  divelog_id TEXT PRIMARY KEY, record TEXT NOT NULL, list_row TEXT NOT NULL DEFAULT '',
  fetched_at INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS statistics(
  user_id TEXT PRIMARY KEY, response TEXT NOT NULL, fetched_at INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS dive_summaries(
  divelog_id TEXT PRIMARY KEY, local_start INTEGER NOT NULL, mode TEXT NOT NULL,
  max_depth_m REAL NOT NULL, average_depth_m REAL NOT NULL, duration_s INTEGER NOT NULL,
  water_temp_c REAL NOT NULL, air_lpm REAL, air_cuft REAL, site TEXT NOT NULL, region TEXT NOT NULL,
  entry_latitude REAL, entry_longitude REAL, search_text TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS dive_summaries_by_start ON dive_summaries(local_start);
)";

constexpr const char* kSummaryColumns =
    "divelog_id,local_start,mode,max_depth_m,average_depth_m,duration_s,water_temp_c,air_lpm,air_cuft,site,region,"
    "entry_latitude,entry_longitude";

// Each kind's table and key column, in SavedKind order.
struct KindTable {
  const char* table;
  const char* key_column;
};
constexpr KindTable kKindTables[] = {
    {"months", "year_month"}, {"days", "date"}, {"dives", "divelog_id"}, {"statistics", "user_id"}};
const char* TableOf(SavedKind kind) { return kKindTables[static_cast<int>(kind)].table; }
const char* KeyColumnOf(SavedKind kind) { return kKindTables[static_cast<int>(kind)].key_column; }
const char* ValueColumnOf(SavedKind kind) { return kind == SavedKind::Dive ? "record" : "response"; }

// One prepared statement, finalized on every path.
class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) { sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr); }
  // One of the connection's kept statements: made ready for its next use
  // instead of finalized.
  explicit Statement(sqlite3_stmt* kept) : stmt_(kept), kept_(true) {}
  ~Statement() {
    if (!kept_) {
      sqlite3_finalize(stmt_);
    } else if (stmt_) {
      sqlite3_reset(stmt_);
      sqlite3_clear_bindings(stmt_);
    }
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  explicit operator bool() const { return stmt_ != nullptr; }
  sqlite3_stmt* get() const { return stmt_; }
  Statement& Bind(int i, const std::string& text) {
    sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& Bind(int i, int64_t value) {
    sqlite3_bind_int64(stmt_, i, value);
    return *this;
  }
  Statement& Bind(int i, double value) {
    sqlite3_bind_double(stmt_, i, value);
    return *this;
  }
  Statement& Bind(int i, const std::optional<double>& value) {
    if (value) return Bind(i, *value);
    sqlite3_bind_null(stmt_, i);
    return *this;
  }
  Statement& Bind(int i, const SavedCopy::SqlArgument& value) {
    std::visit([&](const auto& v) { Bind(i, v); }, value);
    return *this;
  }
  int Step() { return stmt_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
  double Real(int column) const { return sqlite3_column_double(stmt_, column); }
  std::optional<double> MaybeReal(int column) const {
    if (sqlite3_column_type(stmt_, column) == SQLITE_NULL) return std::nullopt;
    return Real(column);
  }
  std::string Text(int column) const {
    const unsigned char* p = sqlite3_column_text(stmt_, column);
    return p ? std::string(reinterpret_cast<const char*>(p), sqlite3_column_bytes(stmt_, column)) : std::string();
  }
  int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  bool kept_ = false;
};

// The summary row of one saved record: written with the record, in its
// transaction, so the list never shows a dive the copy does not hold. A
// record that is not a JSON object holds no dive and leaves no row.
bool WriteSummary(Statement& insert, const DiveSummary& d) {
  insert.Bind(1, d.id).Bind(2, d.local_start).Bind(3, std::string(DiveTypeName(d.mode)));
  insert.Bind(4, d.max_depth_m).Bind(5, d.average_depth_m).Bind(6, d.duration_s).Bind(7, d.water_temp_c);
  insert.Bind(8, d.air_lpm).Bind(9, d.air_cuft).Bind(10, d.site).Bind(11, d.region);
  insert.Bind(12, d.entry ? std::optional(d.entry->latitude) : std::nullopt);
  insert.Bind(13, d.entry ? std::optional(d.entry->longitude) : std::nullopt);
  insert.Bind(14, FoldForSearch(d.site) + "\n" + FoldForSearch(d.region));
  return insert.Step() == SQLITE_DONE;
}

bool WriteSummary(Statement& insert, Statement& remove, const std::string& id, const std::string& record) {
  Json::Value log;
  if (!ParseOutsideJson(record, log, JsonStrictness::Strict) || !log.isObject())
    return remove.Bind(1, id).Step() == SQLITE_DONE;
  return WriteSummary(insert, SummarizeDive(id, log));
}

const std::string kInsertSummary = std::string("INSERT OR REPLACE INTO dive_summaries(") + kSummaryColumns +
                                   ",search_text) VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14)";
constexpr const char* kRemoveSummary = "DELETE FROM dive_summaries WHERE divelog_id=?1";

int64_t ScalarInt(sqlite3* db, const char* sql) {
  Statement s(db, sql);
  return s.Step() == SQLITE_ROW ? s.Int(0) : -1;
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// Created by us with 0600 before SQLite sees it; SQLite gives its WAL and
// shared-memory files the main file's permissions.
bool CreatePrivateFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

enum class Health { Good, Damaged, Newer, Unusable };

bool DamageCode(int rc) { return (rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB; }

// The header and the schema only, whatever the size of the log book: a
// damaged page elsewhere is found where it is read (SavedCopy::Note) or by
// the check that ends a sync (CheckWhole).
Health Check(sqlite3* db) {
  const int64_t version = ScalarInt(db, "PRAGMA user_version");
  if (version < 0) return sqlite3_errcode(db) == SQLITE_BUSY ? Health::Unusable : Health::Damaged;
  if (version > kSavedCopySchema) return Health::Newer;
  if (ScalarInt(db, "SELECT count(*) FROM sqlite_schema") >= 0) return Health::Good;
  return sqlite3_errcode(db) == SQLITE_BUSY ? Health::Unusable : Health::Damaged;
}

// The failure the connection's last error stands for.
Failure LastFailure(sqlite3* db) { return SavedCopyFailure(sqlite3_extended_errcode(db), sqlite3_errmsg(db)); }

}  // namespace

Failure SavedCopyFailure(int sqlite_code, std::string detail) {
  switch (sqlite_code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return {Msg::SavedCopyBusy, TransferOutcome::Complete, std::move(detail)};
    case SQLITE_FULL:
      return {Msg::SavedCopyFull, TransferOutcome::Complete, std::move(detail)};
    case SQLITE_READONLY:
    case SQLITE_PERM:
      return {Msg::SavedCopyReadOnly, TransferOutcome::Complete, std::move(detail)};
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return {Msg::SavedCopyDamaged, TransferOutcome::Complete, std::move(detail)};
    default:
      return {Msg::SavedCopyWrite, TransferOutcome::Complete, std::move(detail)};
  }
}

// Declared before a method's statements, so it runs after they are reset:
// a damaged file is set aside only once nothing of it is in use.
class AsideWhenDamaged {
 public:
  explicit AsideWhenDamaged(const SavedCopy& copy) : copy_(copy) {}
  ~AsideWhenDamaged() {
    if (copy_.damage_found_) copy_.SetAside();
  }
  AsideWhenDamaged(const AsideWhenDamaged&) = delete;
  AsideWhenDamaged& operator=(const AsideWhenDamaged&) = delete;

 private:
  const SavedCopy& copy_;
};

std::string MoveAside(const std::string& path) {
  char stamp[32];
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%S", &tm);
  std::string aside = path + ".broken-" + stamp;
  for (int n = 1; Exists(aside); ++n) aside = path + ".broken-" + stamp + "-" + std::to_string(n);
  if (std::rename(path.c_str(), aside.c_str()) != 0) return {};
  // The journal files belong to the damaged copy; beside it they keep it
  // readable for whoever looks into it, and they must not meet the new one.
  for (const char* suffix : {"-wal", "-shm"})
    if (Exists(path + suffix)) std::rename((path + suffix).c_str(), (aside + suffix).c_str());
  return aside;
}

Result<std::unique_ptr<SavedCopy>> SavedCopy::Open(const std::string& path, bool create) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    return Failure(Msg::SavedCopyWrite, TransferOutcome::Complete, path + ": not a regular file");
  const bool fresh = !Exists(path);
  if (fresh && !create) return Msg::NoSavedCopy;
  if (fresh) {
    // A journal left beside a file someone deleted by hand belongs to that
    // file; SQLite would replay it into the new one.
    for (const char* suffix : {"-wal", "-shm"}) ::unlink((path + suffix).c_str());
    if (!CreatePrivateFile(path)) return Failure(Msg::SavedCopyWrite, TransferOutcome::Complete, path);
  }

  std::unique_ptr<SavedCopy> copy(new SavedCopy);
  copy->path_ = path;
  copy->writable_ = create;
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_FULLMUTEX;
  if (sqlite3_open_v2(path.c_str(), &copy->db_, flags, nullptr) != SQLITE_OK) return LastFailure(copy->db_);
  sqlite3_busy_timeout(copy->db_, kBusyMilliseconds);
  // What a command wrote stays in the journal for the next one to read;
  // folding it into the file at every close would cost each command two
  // waits for the disk. SQLite folds it in as the journal grows.
  sqlite3_db_config(copy->db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  switch (Check(copy->db_)) {
    case Health::Good:
      break;
    case Health::Newer:
      return Msg::SavedCopyNewer;
    case Health::Unusable:
      return Failure(Msg::SavedCopyBusy, TransferOutcome::Complete, sqlite3_errmsg(copy->db_));
    case Health::Damaged: {
      sqlite3_close_v2(copy->db_);
      copy->db_ = nullptr;
      const std::string aside = MoveAside(path);
      if (aside.empty() || !create) return Failure(Msg::SavedCopyWrite, TransferOutcome::Complete, path);
      Result<std::unique_ptr<SavedCopy>> again = Open(path, true);
      if (again) (*again)->broken_aside_ = aside;
      return again;
    }
  }
  // WAL: readers never wait for the writer, and a kill mid-write leaves the
  // last committed state. NORMAL sync is durable across a process kill.
  copy->Exec("PRAGMA journal_mode=WAL");
  copy->Exec("PRAGMA synchronous=NORMAL");
  // The journal a command leaves is read whole by the next one to open the
  // copy: it is folded into the file once it passes a megabyte.
  copy->Exec("PRAGMA wal_autocheckpoint=256");
  if (ScalarInt(copy->db_, "PRAGMA user_version") < kSavedCopySchema) {
    if (Failure failure = copy->Upgrade()) return failure;
  }
  return copy;
}

Failure SavedCopy::Upgrade() {
  // One transaction: a copy that cannot be brought up to date stays exactly
  // the older copy it was, still readable by the program that wrote it.
  if (!Exec("BEGIN IMMEDIATE")) return LastFailure(db_);
  // Another process may have upgraded it while this one waited for the lock.
  bool ok = ScalarInt(db_, "PRAGMA user_version") >= kSavedCopySchema;
  if (!ok && Exec(kSchema)) {
    Statement records(db_, "SELECT divelog_id, record FROM dives");
    Statement insert(db_, kInsertSummary), remove(db_, kRemoveSummary);
    int rc = SQLITE_DONE;
    ok = insert && remove;
    while (ok && (rc = records.Step()) == SQLITE_ROW) {
      ok = WriteSummary(insert, remove, records.Text(0), records.Text(1));
      sqlite3_reset(insert.get());
      sqlite3_reset(remove.get());
    }
    ok = ok && rc == SQLITE_DONE && Exec(("PRAGMA user_version=" + std::to_string(kSavedCopySchema)).c_str());
  }
  if (ok && Exec("COMMIT")) return {};
  // Read before the rollback, which would put its own result in its place.
  Failure failure = LastFailure(db_);
  Exec("ROLLBACK");
  return failure;
}

SavedCopy::~SavedCopy() {
  for (const auto& [sql, statement] : statements_) sqlite3_finalize(statement);
  if (db_) sqlite3_close_v2(db_);
}

sqlite3_stmt* SavedCopy::Prepared(const std::string& sql) const {
  auto it = statements_.find(sql);
  if (it != statements_.end()) return it->second;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK) {
    sqlite3_finalize(statement);
    return nullptr;
  }
  statements_.emplace(sql, statement);
  return statement;
}

bool SavedCopy::Exec(const char* sql) const {
  const int rc = db_ ? sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) : SQLITE_MISUSE;
  Note(rc);
  return rc == SQLITE_OK;
}

void SavedCopy::Note(int rc) const {
  if (DamageCode(rc)) damage_found_ = true;
}

void SavedCopy::SetAside() const {
  damage_found_ = false;
  damaged_ = true;
  for (const auto& [sql, statement] : statements_) sqlite3_finalize(statement);
  statements_.clear();
  // Nothing more goes into a damaged file: what its journal holds stays
  // there, moved aside with it.
  sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  sqlite3_close_v2(db_);
  db_ = nullptr;
  broken_aside_ = MoveAside(path_);
  if (!writable_ || broken_aside_.empty()) return;
  // Online the service fills a fresh copy again; the diver's current
  // operation still ends with the key.
  Result<std::unique_ptr<SavedCopy>> fresh = Open(path_, true);
  if (!fresh.ok()) return;
  std::swap(db_, (*fresh)->db_);
  if (account_) {
    Statement s(db_, "INSERT OR REPLACE INTO account(id,email,user_id,user_name) VALUES(1,?1,?2,?3)");
    s.Bind(1, account_->email).Bind(2, account_->user_id).Bind(3, account_->user_name).Step();
  }
}

bool SavedCopy::damaged() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return damaged_;
}

Failure SavedCopy::CheckWhole() {
  std::lock_guard<std::mutex> lock(mutex_);
  AsideWhenDamaged aside(*this);
  if (!db_) return Msg::SavedCopyBroken;
  Statement quick(db_, "PRAGMA quick_check(1)");
  const int rc = quick.Step();
  if (rc == SQLITE_ROW && quick.Text(0) == "ok") return {};
  if (rc == SQLITE_ROW) damage_found_ = true;
  Note(rc);
  return damage_found_ ? Failure(Msg::SavedCopyBroken) : LastFailure(db_);
}

Failure SavedCopy::Commit(const SavedBatch& batch, int64_t fetched_at) {
  std::lock_guard<std::mutex> lock(mutex_);
  AsideWhenDamaged aside(*this);
  if (batch.empty()) return {};
  if (!db_) return Msg::SavedCopyBroken;
  // IMMEDIATE takes the write lock up front, so a busy copy is waited for
  // before anything is written rather than failing half-way.
  if (!Exec("BEGIN IMMEDIATE")) return LastFailure(db_);
  bool ok = true;
  for (const SavedWrite& w : batch) {
    const SavedKind kind = w.item.kind;
    std::string sql = std::string("INSERT OR REPLACE INTO ") + TableOf(kind) + "(" + KeyColumnOf(kind) + "," +
                      ValueColumnOf(kind) + ",fetched_at" + (kind == SavedKind::Dive ? ",list_row" : "") +
                      ") VALUES(?1,?2,?3" + (kind == SavedKind::Dive ? ",?4" : "") + ")";
    // A dive saved from its detail view keeps the row the last sync saw.
    if (kind == SavedKind::Dive && w.list_row.empty())
      sql =
          "INSERT INTO dives(divelog_id,record,fetched_at) VALUES(?1,?2,?3) ON CONFLICT(divelog_id) DO UPDATE "
          "SET record=excluded.record, fetched_at=excluded.fetched_at";
    Statement s(Prepared(sql));
    s.Bind(1, w.item.key).Bind(2, w.json).Bind(3, fetched_at);
    if (kind == SavedKind::Dive && !w.list_row.empty()) s.Bind(4, w.list_row);
    if (const int rc = s.Step(); rc != SQLITE_DONE) {
      Note(rc);
      ok = false;
      break;
    }
    if (kind == SavedKind::Dive) {
      Statement insert(Prepared(kInsertSummary)), remove(Prepared(kRemoveSummary));
      if (!(w.summary ? WriteSummary(insert, *w.summary) : WriteSummary(insert, remove, w.item.key, w.json))) {
        ok = false;
        break;
      }
    }
  }
  if (ok && Exec("COMMIT")) return {};
  // Read before the rollback, which would put its own result in its place.
  Failure failure = LastFailure(db_);
  Exec("ROLLBACK");
  // Damage found on the way was set aside: that, not SQLite's code, is what
  // the diver is told.
  return damage_found_ ? Failure(Msg::SavedCopyBroken) : failure;
}

Failure SavedCopy::SetAccount(const SavedAccount& a) {
  std::lock_guard<std::mutex> lock(mutex_);
  AsideWhenDamaged aside(*this);
  account_ = a;
  if (!db_) return Msg::SavedCopyBroken;
  Statement s(db_, "INSERT OR REPLACE INTO account(id,email,user_id,user_name) VALUES(1,?1,?2,?3)");
  s.Bind(1, a.email).Bind(2, a.user_id).Bind(3, a.user_name);
  const int rc = s.Step();
  Note(rc);
  if (rc == SQLITE_DONE) return {};
  return damage_found_ ? Failure(Msg::SavedCopyBroken) : LastFailure(db_);
}

std::optional<SavedAccount> SavedCopy::Account() const {
  std::lock_guard<std::mutex> lock(mutex_);
  AsideWhenDamaged aside(*this);
  if (!db_) return std::nullopt;
  Statement s(db_, "SELECT email,user_id,user_name FROM account WHERE id=1");
  const int rc = s.Step();
  Note(rc);
  if (rc != SQLITE_ROW) return std::nullopt;
  return SavedAccount{s.Text(0), s.Text(1), s.Text(2)};
}

std::optional<std::string> SavedCopy::Read(const SavedItem& item, int64_t* fetched_at) const {
  std::lock_guard<std::mutex> lock(mutex_);
  AsideWhenDamaged aside(*this);
  if (!db_) return std::nullopt;
  Statement s(Prepared(std::string("SELECT ") + ValueColumnOf(item.kind) + ",fetched_at FROM " + TableOf(item.kind) +
                       " WHERE " + KeyColumnOf(item.kind) + "=?1"));
  s.Bind(1, item.key);
  const int rc = s.Step();
  Note(rc);
  if (rc != SQLITE_ROW) return std::nullopt;
  if (fetched_at) *fetched_at = s.Int(1);
  return s.Text(0);
}

std::string SavedCopy::ListRowOf(const std::string& divelog_id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  AsideWhenDamaged aside(*this);
  if (!db_) return {};
  Statement s(Prepared("SELECT list_row FROM dives WHERE divelog_id=?1"));
  s.Bind(1, divelog_id);
  const int rc = s.Step();
  Note(rc);
  return rc == SQLITE_ROW ? s.Text(0) : std::string();
}

int64_t SavedCopy::LastSaved() const {
  std::lock_guard<std::mutex> lock(mutex_);
  AsideWhenDamaged aside(*this);
  if (!db_) return 0;
  const int64_t t = ScalarInt(db_,
                              "SELECT max(t) FROM (SELECT max(fetched_at) t FROM months UNION ALL SELECT "
                              "max(fetched_at) FROM days UNION ALL SELECT max(fetched_at) FROM dives UNION ALL "
                              "SELECT max(fetched_at) FROM statistics)");
  if (t < 0) Note(sqlite3_errcode(db_));
  return t > 0 ? t : 0;
}

int64_t SavedCopy::DiveCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  AsideWhenDamaged aside(*this);
  if (!db_) return -1;
  const int64_t count = ScalarInt(db_, "SELECT count(*) FROM dives");
  if (count < 0) Note(sqlite3_errcode(db_));
  return count;
}

bool SavedCopy::EachSummary(const std::string& tail, const std::vector<SqlArgument>& arguments,
                            const std::function<bool(const DiveSummary&)>& each) const {
  std::lock_guard<std::mutex> lock(mutex_);
  AsideWhenDamaged aside(*this);
  if (!db_) return false;
  Statement s(Prepared(std::string("SELECT ") + kSummaryColumns + " FROM dive_summaries " + tail));
  if (!s) return false;
  for (size_t i = 0; i < arguments.size(); ++i) s.Bind(static_cast<int>(i + 1), arguments[i]);
  int rc = SQLITE_DONE;
  while ((rc = s.Step()) == SQLITE_ROW) {
    DiveSummary d;
    d.id = s.Text(0);
    d.local_start = s.Int(1);
    d.mode = DecodeDiveType(s.Text(2));
    d.max_depth_m = s.Real(3);
    d.average_depth_m = s.Real(4);
    d.duration_s = s.Int(5);
    d.water_temp_c = s.Real(6);
    d.air_lpm = s.MaybeReal(7);
    d.air_cuft = s.MaybeReal(8);
    d.site = s.Text(9);
    d.region = s.Text(10);
    if (const auto latitude = s.MaybeReal(11)) d.entry = GeoPoint{*latitude, s.MaybeReal(12).value_or(0.0)};
    if (!each(d)) return true;
  }
  Note(rc);
  return rc == SQLITE_DONE;
}

std::optional<std::vector<double>> SavedCopy::SummaryFigures(const std::string& select,
                                                             const std::vector<SqlArgument>& arguments) const {
  std::lock_guard<std::mutex> lock(mutex_);
  AsideWhenDamaged aside(*this);
  if (!db_) return std::nullopt;
  Statement s(Prepared(select));
  if (!s) return std::nullopt;
  for (size_t i = 0; i < arguments.size(); ++i) s.Bind(static_cast<int>(i + 1), arguments[i]);
  if (const int rc = s.Step(); rc != SQLITE_ROW) return Note(rc), std::nullopt;
  std::vector<double> row(static_cast<size_t>(sqlite3_column_count(s.get())));
  for (size_t i = 0; i < row.size(); ++i) row[i] = s.Real(static_cast<int>(i));
  return row;
}

}  // namespace orv
