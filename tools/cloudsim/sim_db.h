// The simulated service's storage: one SQLite file in the data folder with
// the accounts, session tokens, dive logs and the dive-site catalogue.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orv::sim {

struct StoredLog {
  std::string divelog_id;
  std::string user_id;
  int64_t dive_datetime = 0;
  int32_t timezone = 0;  // minutes; local time = dive_datetime - timezone * 60
  std::string dive_type;
  std::string json;  // the whole dive log object as sent and returned
};

struct SiteRow {
  std::string poi_id, name, region;
  double latitude = 0, longitude = 0;
};

struct UserRow {
  std::string user_id, email, user_name, profile_image_path;
};

class SimDb {
 public:
  SimDb() = default;
  ~SimDb();
  SimDb(const SimDb&) = delete;
  SimDb& operator=(const SimDb&) = delete;

  // Opens (creating when missing) the database file and its tables.
  bool Open(const std::string& path);
  bool Exec(const char* sql);
  bool Empty();  // no account yet: the caller seeds

  bool AddUser(const UserRow& user, const std::string& password);
  std::optional<UserRow> CheckPassword(const std::string& email, const std::string& password);
  std::optional<UserRow> UserById(const std::string& user_id);
  std::optional<UserRow> UserByEmail(const std::string& email);
  std::string NewToken(const std::string& user_id);
  std::optional<std::string> UserForToken(const std::string& token);

  bool PutLog(const StoredLog& log);  // insert or replace
  std::optional<StoredLog> Log(const std::string& divelog_id);
  // Logs of a user whose local start date (YYYYMMDD) lies in [from, to].
  std::vector<StoredLog> LogsBetween(const std::string& user_id, int from_date, int to_date);
  std::vector<StoredLog> AllLogs(const std::string& user_id);

  bool AddSite(const SiteRow& site);
  // Case-insensitive substring of name or region, catalogue order, at most `limit`.
  std::vector<SiteRow> SearchSites(const std::string& text, int limit);

 private:
  std::optional<UserRow> UserWhere(const char* column, const std::string& value);
  sqlite3* db_ = nullptr;
};

// YYYYMMDD of the local start date of a dive.
int LocalDate(int64_t dive_datetime, int32_t timezone);

}  // namespace orv::sim
