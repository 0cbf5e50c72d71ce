// One tile from the tile server over HTTPS, and what its cache headers allow.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "app/cancellable.h"
#include "maps/tile_cache.h"

namespace orv::maps {

// Header names in lower case; repeated Cache-Control lines are joined.
using HeaderMap = std::map<std::string, std::string>;

struct Freshness {
  bool store = true;             // false for "no-store"
  std::int64_t fresh_until = 0;  // Unix seconds
};
// What the headers of a reply received at `now` allow a private cache:
// "no-store", "no-cache", "max-age" (less "Age"), "Expires" against "Date";
// without any of them a day.
Freshness ReadFreshness(const HeaderMap& headers, std::int64_t now);

struct FetchLimits {
  int connect_timeout_ms = 5000;
  // Less than one byte a second for this long counts as a stalled server.
  int stall_seconds = 5;
  int total_seconds = 20;
};

struct FetchResult {
  enum Kind { Fetched, NotModified, Refused, Unreachable } kind = Unreachable;
  long status = 0;
  CachedTile tile;  // Fetched: the new tile; NotModified: only its freshness
  bool store = true;
};

// GET `url`, asking "changed since?" when `known` has validators. Refused is
// any other HTTP answer; Unreachable is no answer at all (no network, refused
// connection, TLS failure, stall, or `stop` cancelled).
FetchResult FetchTile(const std::string& url, const CachedTile* known, const FetchLimits& limits,
                      const Cancellable* stop);

}  // namespace orv::maps
