#include "seed.h"

#include <cstdio>

#include "sites_catalogue.h"

namespace orv::sim {

bool SeedDatabase(SimDb& db, int last_year, int last_month, int last_day) {
  if (!db.Exec("BEGIN")) return false;
  bool ok = db.AddUser({kDemoUserId, kDemoEmail, "Demo Diver", "/static/avatar.svg"}, kDemoPassword);
  std::size_t count = 0;
  const CatalogueSite* sites = CatalogueSites(count);
  for (std::size_t i = 0; ok && i < count; ++i) {
    char id[32];
    std::snprintf(id, sizeof id, "poi%04zu", i + 1);
    ok = db.AddSite({id, sites[i].name, sites[i].region, sites[i].latitude, sites[i].longitude});
  }
  ok = ok && SeedDemoLogs(db, kDemoUserId, last_year, last_month, last_day);
  return db.Exec(ok ? "COMMIT" : "ROLLBACK") && ok;
}

}  // namespace orv::sim
