// The diver's log book kept on this computer: one SQLite file per account
// holding what the browse screens read, exactly as the service sent it (the
// month summaries, the day lists, the dive records, the statistics), each
// with the time it was fetched, and the account's e-mail, user id and name.
// Never a password or a token.
//
// The file is written through, never ahead of the service: only replies
// that passed their check land here. Every batch of writes is one short
// transaction, so a process killed at any moment leaves every batch it
// committed and nothing half-written; WAL and a busy timeout let the desktop
// program and orvelle-cli use one copy at the same time.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/failure.h"
#include "cloud/endpoints.h"  // SavedItem: what one saved reply stands for
#include "logbook/dive_summary.h"

struct sqlite3;
struct sqlite3_stmt;

namespace orv {

// Bumped whenever the tables change; a copy written by a newer program is
// refused, never rewritten.
// Version 2 added the dive summaries; a version-1 copy gains them in place,
// from its own records, when it is opened.
inline constexpr int kSavedCopySchema = 2;

struct SavedWrite {
  SavedItem item;
  std::string json;      // `response` (`divelog` for a dive) as compact JSON text
  std::string list_row;  // a dive: the day-list row it was fetched for, else empty
  // A dive's summary where the writer holds the record parsed already; the
  // copy reads it from `json` otherwise.
  std::optional<DiveSummary> summary = std::nullopt;
};
using SavedBatch = std::vector<SavedWrite>;

struct SavedAccount {
  std::string email, user_id, user_name;
};

class SavedCopy {
 public:
  // Opens the copy at `path`, creating it (0600) when `create` and absent.
  // A damaged file is moved aside as "<name>.broken-<time>" and a fresh copy
  // opened in its place (the result is usable, broken_aside() names where
  // the old one went). Otherwise a failure: SAVED_COPY_NEWER (a newer
  // program's copy, left as it is), NO_SAVED_COPY (absent and not created),
  // SAVED_COPY_BUSY (another program holds it too long) or SAVED_COPY_WRITE
  // (could not be created or read).
  static Result<std::unique_ptr<SavedCopy>> Open(const std::string& path, bool create);
  ~SavedCopy();
  SavedCopy(const SavedCopy&) = delete;
  SavedCopy& operator=(const SavedCopy&) = delete;

  // Writes the batch in one transaction stamped `fetched_at` (seconds since
  // 1970). On failure the copy is left as it was and the failure says why
  // (SavedCopyFailure).
  Failure Commit(const SavedBatch& batch, int64_t fetched_at);
  Failure SetAccount(const SavedAccount& account);

  std::optional<SavedAccount> Account() const;
  // The saved JSON text of `item`, and when it was fetched.
  std::optional<std::string> Read(const SavedItem& item, int64_t* fetched_at = nullptr) const;
  // The day-list row a saved dive was last fetched for; empty when unknown.
  std::string ListRowOf(const std::string& divelog_id) const;
  // The latest fetch time of anything saved; 0 when nothing is.
  int64_t LastSaved() const;
  int64_t DiveCount() const;
  // Reads every page: where a sync ends, so damage the opening no longer
  // looks for is found while the service can still fill a fresh copy.
  // None when whole; SAVED_COPY_BROKEN when damaged (moved aside); the
  // SQLite failure when it could not be read.
  Failure CheckWhole();
  // True once SQLite found the file damaged, at any read or write: it was
  // then moved aside (broken_aside() names where) and the operation failed
  // with SAVED_COPY_BROKEN; a copy opened to be written goes on in a
  // fresh file, one opened to be read has nothing more to give.
  bool damaged() const;

  // The dive summaries (one per saved dive, written in the record's own
  // transaction). `tail` follows "SELECT <summary columns> FROM
  // dive_summaries": a WHERE over the columns (divelog_id, local_start, mode,
  // max_depth_m, average_depth_m, duration_s, water_temp_c, air_lpm,
  // air_cuft, site, region, search_text), ORDER BY, LIMIT, with ?1.. bound
  // from `arguments`. Rows stream into `each` until it returns false. False
  // when the copy could not be read.
  using SqlArgument = std::variant<int64_t, double, std::string>;
  bool EachSummary(const std::string& tail, const std::vector<SqlArgument>& arguments,
                   const std::function<bool(const DiveSummary&)>& each) const;
  // One row of numbers: `select` is a whole SELECT over dive_summaries
  // (aggregates, say) with ?1.. from `arguments`; NULLs read as 0. Nothing
  // when the copy could not be read.
  std::optional<std::vector<double>> SummaryFigures(const std::string& select,
                                                    const std::vector<SqlArgument>& arguments) const;
  const std::string& path() const { return path_; }
  // Where the damaged file went when Open or later use reported
  // SAVED_COPY_BROKEN.
  const std::string& broken_aside() const { return broken_aside_; }

 private:
  SavedCopy() = default;
  friend class AsideWhenDamaged;
  bool Exec(const char* sql) const;
  // Remembers a damage SQLite reported; the file is set aside once the
  // statements that saw it are done (AsideWhenDamaged).
  void Note(int rc) const;
  void SetAside() const;
  // Brings an older copy (or a new empty file) to kSavedCopySchema.
  Failure Upgrade();
  // The prepared statement for `sql`, prepared once per connection: a sync
  // asks the same few things for every dive. Null when it cannot be prepared.
  sqlite3_stmt* Prepared(const std::string& sql) const;
  // One connection may serve the UI thread's write-through and the desktop's
  // background save: their transactions must not interleave.
  mutable std::mutex mutex_;
  mutable sqlite3* db_ = nullptr;
  mutable std::map<std::string, sqlite3_stmt*> statements_;
  std::string path_;
  mutable std::string broken_aside_;
  bool writable_ = false;
  mutable bool damage_found_ = false, damaged_ = false;
  std::optional<SavedAccount> account_;  // written again into a fresh file
};

// What an SQLite result code means to the diver: SAVED_COPY_BUSY (another
// program holds the copy), SAVED_COPY_FULL (no room left), SAVED_COPY_READ_ONLY
// (file or folder not writable), SAVED_COPY_DAMAGED (the file is not a sound
// database), SAVED_COPY_WRITE for the rest; `detail` is SQLite's own words.
Failure SavedCopyFailure(int sqlite_code, std::string detail);

// Moves a damaged copy (and its WAL and shared-memory files) aside as
// "<name>.broken-<YYYYMMDDTHHMMSS>"; the new name, or empty when it failed.
std::string MoveAside(const std::string& path);

}  // namespace orv
