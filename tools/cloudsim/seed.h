// First-start contents of the simulated service: the demo account, the
// dive-site catalogue and the demo diver's logged dives.
#pragma once

#include <string>

#include "sim_db.h"

namespace orv::sim {

constexpr char kDemoEmail[] = "demo@orvelle.test";
constexpr char kDemoPassword[] = "coral+reef&dive=100%";
constexpr char kDemoUserId[] = "u100001";

// Seeds an empty database. The logged dives cover the eight months ending
// with last_year/last_month. False when a write failed.
// `last_day` caps the day of the last month's trip, so a logbook seeded up to
// today holds no dives in the future.
bool SeedDatabase(SimDb& db, int last_year, int last_month, int last_day = 31);

// Adds the generated dive logs of the demo diver (used by SeedDatabase).
bool SeedDemoLogs(SimDb& db, const std::string& user_id, int last_year, int last_month, int last_day = 31);

// Adds the benchmark month: 50 dives on the 10th, a dive of 10,000 samples
// on the 11th and one of 100,000 on the 12th, each long dive with 50 events.
// Replaces the same dives when run again.
bool SeedBenchLogs(SimDb& db, int year, int month);

// Adds `count` generated dives of the demo diver (ids "g000001" on, 300
// samples each), four a day on the 5th and the 20th of every month from
// last_year/last_month back: a log book of any size for the sync's
// benchmark. Replaces the same dives when run again.
bool SeedGeneratedDives(SimDb& db, int count, int last_year, int last_month);

}  // namespace orv::sim
