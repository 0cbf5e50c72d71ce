// The walk over the diver's log book that `orvelle-cli sync` and the export
// share: a month's summary, the day lists of its dive days, the records of
// their dives, through the same requests the calendar, the day list and the
// dive detail make, one after the other on one connection. Online every
// successful reply is gathered into the month's batch for the saved copy;
// offline (ReadingSavedCopy) the same replies come from the copy.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <json/value.h>

#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "cloud/reply_check.h"
#include "logbook/saved_copy.h"

namespace orv {

struct WalkDive {
  std::string id;
  std::string list_row;  // the day list's row for the dive, compact JSON
};

// The parts of a month the walk and the sync read alike.
// The dive days of a month summary, date (YYYYMMDD) -> the day's scuba and
// freedive count; dates of other months and days without dives are left
// out, a date listed twice or out of order is one day. `count`: the month's
// dives.
std::map<int64_t, int64_t> DiveDays(const Json::Value& summary, int64_t year, int month, int64_t& count);
// A day list saved before that still holds: one counting as many dives as
// the summary counts for its day. Otherwise (a dive uploaded or removed
// since, perhaps after the month itself was saved again) it is asked again.
std::optional<Json::Value> StillSavedDay(const SavedCopy* copy, const Endpoint& day, int64_t dives);
// The dives of a day list's `response` into `dives`, each id once per `seen`.
void AddListedDives(const Json::Value& day_response, std::set<std::string>& seen, std::vector<WalkDive>& dives);

class MonthWalk {
 public:
  // `yield_to_diver`: wait for the diver's own requests before each one.
  explicit MonthWalk(bool yield_to_diver = false);

  // The month summary, then each dive day's list, in date order (with
  // `reuse_saved_days`, a saved list holding as many dives as the summary
  // counts for its day is taken instead of asked for); `dives` gets the
  // listed dives, each id once per walk. A failed request ends it with its
  // key (HOST_NOT_CONN when the service is out of reach; offline the
  // NOT_SAVED key).
  // `dive_count` receives the month's scuba and freedive count.
  Failure Month(int64_t year, int month, std::vector<WalkDive>& dives, int64_t* dive_count = nullptr,
                bool reuse_saved_days = false);
  // One dive record (NO_INTERNET when the service is out of reach).
  Reply Dive(const std::string& id, const std::string& list_row = {});
  Reply Statistics(const std::string& user_id);

  // What the replies so far would write into the copy; taken by the caller
  // to commit as one batch.
  SavedBatch TakeBatch();

 private:
  Reply Get(const Endpoint& endpoint, bool detail, const std::string& list_row = {});
  HttpPost http_;
  bool yield_ = false;
  SavedBatch batch_;
  std::set<std::string> seen_;
};

}  // namespace orv
