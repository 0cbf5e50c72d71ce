#include "sim_db.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <ctime>

namespace orv::sim {

namespace {

// A prepared statement that finalises itself.
class Stmt {
 public:
  Stmt(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  ~Stmt() { sqlite3_finalize(stmt_); }
  Stmt& Bind(int i, const std::string& v) {
    sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Stmt& Bind(int i, int64_t v) {
    sqlite3_bind_int64(stmt_, i, v);
    return *this;
  }
  Stmt& Bind(int i, double v) {
    sqlite3_bind_double(stmt_, i, v);
    return *this;
  }
  bool Row() { return stmt_ && sqlite3_step(stmt_) == SQLITE_ROW; }
  bool Done() { return stmt_ && sqlite3_step(stmt_) == SQLITE_DONE; }
  std::string Text(int c) {
    auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, c));
    return p ? std::string(p, sqlite3_column_bytes(stmt_, c)) : std::string();
  }
  int64_t Int(int c) { return sqlite3_column_int64(stmt_, c); }
  double Real(int c) { return sqlite3_column_double(stmt_, c); }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

std::string Hex(const unsigned char* data, std::size_t n) {
  static const char k[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < n; ++i) {
    out += k[data[i] >> 4];
    out += k[data[i] & 15];
  }
  return out;
}

std::string RandomHex(std::size_t bytes) {
  std::vector<unsigned char> buf(bytes);
  RAND_bytes(buf.data(), static_cast<int>(bytes));
  return Hex(buf.data(), bytes);
}

std::string PasswordHash(const std::string& salt, const std::string& password) {
  unsigned char out[32];
  PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                    reinterpret_cast<const unsigned char*>(salt.data()), static_cast<int>(salt.size()), 10000,
                    EVP_sha256(), sizeof out, out);
  return Hex(out, sizeof out);
}

constexpr char kSchema[] = R"(
CREATE TABLE IF NOT EXISTS users(user_id TEXT PRIMARY KEY, email TEXT UNIQUE NOT NULL,
  user_name TEXT, profile_image_path TEXT, salt TEXT, pw_hash TEXT);
CREATE TABLE IF NOT EXISTS tokens(token TEXT PRIMARY KEY, user_id TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS divelogs(divelog_id TEXT PRIMARY KEY, user_id TEXT NOT NULL,
  dive_datetime INTEGER, timezone INTEGER, local_date INTEGER, dive_type TEXT, body TEXT);
CREATE INDEX IF NOT EXISTS divelogs_by_date ON divelogs(user_id, local_date);
CREATE TABLE IF NOT EXISTS sites(seq INTEGER PRIMARY KEY, poi_id TEXT UNIQUE, name TEXT,
  region TEXT, latitude REAL, longitude REAL);
)";

const char kLogColumns[] = "divelog_id, user_id, dive_datetime, timezone, dive_type, body";

StoredLog ReadLog(Stmt& s) {
  return {s.Text(0), s.Text(1), s.Int(2), static_cast<int32_t>(s.Int(3)), s.Text(4), s.Text(5)};
}

}  // namespace

int LocalDate(int64_t dive_datetime, int32_t timezone) {
  std::time_t t = static_cast<std::time_t>(dive_datetime - int64_t{timezone} * 60);
  std::tm tm{};
  gmtime_r(&t, &tm);
  return (tm.tm_year + 1900) * 10000 + (tm.tm_mon + 1) * 100 + tm.tm_mday;
}

SimDb::~SimDb() {
  if (db_) sqlite3_close(db_);
}

bool SimDb::Open(const std::string& path) {
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) return false;
  sqlite3_busy_timeout(db_, 2000);
  return Exec("PRAGMA journal_mode=WAL;") && Exec(kSchema);
}

bool SimDb::Exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

bool SimDb::Empty() {
  Stmt s(db_, "SELECT COUNT(*) FROM users");
  return !s.Row() || s.Int(0) == 0;
}

bool SimDb::AddUser(const UserRow& u, const std::string& password) {
  std::string salt = RandomHex(16);
  return Stmt(db_, "INSERT INTO users VALUES(?,?,?,?,?,?)")
      .Bind(1, u.user_id)
      .Bind(2, u.email)
      .Bind(3, u.user_name)
      .Bind(4, u.profile_image_path)
      .Bind(5, salt)
      .Bind(6, PasswordHash(salt, password))
      .Done();
}

std::optional<UserRow> SimDb::CheckPassword(const std::string& email, const std::string& password) {
  Stmt s(db_, "SELECT user_id, email, user_name, profile_image_path, salt, pw_hash FROM users WHERE email=?");
  s.Bind(1, email);
  if (!s.Row() || PasswordHash(s.Text(4), password) != s.Text(5)) return std::nullopt;
  return UserRow{s.Text(0), s.Text(1), s.Text(2), s.Text(3)};
}

std::optional<UserRow> SimDb::UserWhere(const char* column, const std::string& value) {
  Stmt s(
      db_,
      (std::string("SELECT user_id, email, user_name, profile_image_path FROM users WHERE ") + column + "=?").c_str());
  s.Bind(1, value);
  if (!s.Row()) return std::nullopt;
  return UserRow{s.Text(0), s.Text(1), s.Text(2), s.Text(3)};
}

std::optional<UserRow> SimDb::UserById(const std::string& user_id) { return UserWhere("user_id", user_id); }
std::optional<UserRow> SimDb::UserByEmail(const std::string& email) { return UserWhere("email", email); }

std::string SimDb::NewToken(const std::string& user_id) {
  std::string token = RandomHex(24);
  Stmt(db_, "INSERT INTO tokens VALUES(?,?)").Bind(1, token).Bind(2, user_id).Done();
  return token;
}

std::optional<std::string> SimDb::UserForToken(const std::string& token) {
  Stmt s(db_, "SELECT user_id FROM tokens WHERE token=?");
  s.Bind(1, token);
  if (!s.Row()) return std::nullopt;
  return s.Text(0);
}

bool SimDb::PutLog(const StoredLog& log) {
  return Stmt(db_, "INSERT OR REPLACE INTO divelogs VALUES(?,?,?,?,?,?,?)")
      .Bind(1, log.divelog_id)
      .Bind(2, log.user_id)
      .Bind(3, log.dive_datetime)
      .Bind(4, int64_t{log.timezone})
      .Bind(5, int64_t{LocalDate(log.dive_datetime, log.timezone)})
      .Bind(6, log.dive_type)
      .Bind(7, log.json)
      .Done();
}

std::optional<StoredLog> SimDb::Log(const std::string& divelog_id) {
  Stmt s(db_, (std::string("SELECT ") + kLogColumns + " FROM divelogs WHERE divelog_id=?").c_str());
  s.Bind(1, divelog_id);
  if (!s.Row()) return std::nullopt;
  return ReadLog(s);
}

std::vector<StoredLog> SimDb::LogsBetween(const std::string& user_id, int from_date, int to_date) {
  Stmt s(db_, (std::string("SELECT ") + kLogColumns +
               " FROM divelogs WHERE user_id=? AND local_date BETWEEN ? AND ? ORDER BY dive_datetime")
                  .c_str());
  s.Bind(1, user_id).Bind(2, int64_t{from_date}).Bind(3, int64_t{to_date});
  std::vector<StoredLog> logs;
  while (s.Row()) logs.push_back(ReadLog(s));
  return logs;
}

std::vector<StoredLog> SimDb::AllLogs(const std::string& user_id) { return LogsBetween(user_id, 0, 99999999); }

bool SimDb::AddSite(const SiteRow& site) {
  return Stmt(db_, "INSERT INTO sites(poi_id, name, region, latitude, longitude) VALUES(?,?,?,?,?)")
      .Bind(1, site.poi_id)
      .Bind(2, site.name)
      .Bind(3, site.region)
      .Bind(4, site.latitude)
      .Bind(5, site.longitude)
      .Done();
}

std::vector<SiteRow> SimDb::SearchSites(const std::string& text, int limit) {
  // LIKE with our own escape character, so "%" and "_" typed by the diver
  // are matched literally.
  std::string pattern = "%";
  for (char c : text) {
    if (c == '%' || c == '_' || c == '\\') pattern += '\\';
    pattern += c;
  }
  pattern += '%';
  Stmt s(db_,
         "SELECT poi_id, name, region, latitude, longitude FROM sites WHERE name LIKE ?1 ESCAPE '\\' "
         "OR region LIKE ?1 ESCAPE '\\' ORDER BY seq LIMIT ?2");
  s.Bind(1, pattern).Bind(2, int64_t{limit});
  std::vector<SiteRow> rows;
  while (s.Row()) rows.push_back({s.Text(0), s.Text(1), s.Text(2), s.Real(3), s.Real(4)});
  return rows;
}

}  // namespace orv::sim
