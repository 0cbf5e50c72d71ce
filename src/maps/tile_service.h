// Answers the map pages' tile requests: from the disk cache while a copy is
// fresh, from the tile server otherwise, and from an older copy when the
// server cannot be reached. Never fetches a tile nobody asked for.
//
// One thread reads the cache, so tiles already on disk never wait behind a
// slow server; two threads talk to the server, the most a tile server's
// usage policy lets one program open. After the server failed to answer,
// requests go without asking it for a short while, so a map without network
// fills at once from whatever the cache holds.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/cancellable.h"
#include "maps/tile_cache.h"
#include "maps/tile_fetch.h"
#include "maps/tile_source.h"

namespace orv::maps {

struct TileServiceOptions {
  std::string url_template;
  std::string cache_folder;
  std::uint64_t max_bytes = 200ull * 1024 * 1024;
  FetchLimits limits;
  int offline_seconds = 30;  // how long the server is not asked after it failed to answer
};

struct TileReply {
  enum Source { None, Cache, Server, OldCopy } source = None;
  std::string body;  // empty with None: the page shows the coastline there
  std::string content_type;
};

class TileService {
 public:
  using Done = std::function<void(TileReply)>;
  explicit TileService(TileServiceOptions options);
  // Aborts transfers under way; every request not answered yet gets None.
  ~TileService();
  TileService(const TileService&) = delete;
  TileService& operator=(const TileService&) = delete;

  // `done` runs once, on one of the service's threads.
  void Get(const TileKey& key, Done done);
  const TileServiceOptions& options() const { return options_; }

 private:
  struct Job {
    std::string url;
    Done done;
    std::optional<CachedTile> cached;
  };
  void CacheLoop();
  void ServerLoop();
  TileReply FromServer(Job& job);
  bool Offline() const;
  bool Pop(std::deque<Job>& queue, Job& job);

  const TileServiceOptions options_;
  TileCache cache_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> to_cache_, to_server_;
  Cancellable stop_;  // cancelled once, by the destructor
  std::atomic<std::int64_t> offline_until_{0};
  std::vector<std::thread> threads_;
};

}  // namespace orv::maps
