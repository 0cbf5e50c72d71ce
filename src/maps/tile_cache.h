// Map tiles kept on disk, so the places a diver has looked at once still show
// on a boat without internet. Bounded in size; when full, the tiles used
// least recently go first. Safe to use from several threads.
#pragma once

#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace orv::maps {

struct CachedTile {
  std::string body;
  std::string content_type;
  std::string etag;  // validators for asking the server "still the same?"
  std::string last_modified;
  std::int64_t fresh_until = 0;  // Unix seconds; later than now = no need to ask
};

// "$XDG_CACHE_HOME/orvelle-pc-tool/tiles" (or ~/.cache/...).
std::string DefaultTileCacheFolder();

class TileCache {
 public:
  TileCache(std::string folder, std::uint64_t max_bytes);

  // The tile stored for `url`; marks it as just used.
  std::optional<CachedTile> Load(const std::string& url);
  // Keeps `tile` for `url` (replacing an older copy), then drops the least
  // recently used tiles until the cache fits its bound again. A tile larger
  // than the whole bound is not kept. False when it could not be written.
  bool Store(const std::string& url, const CachedTile& tile);
  // Bytes the cache's files take now.
  std::uint64_t bytes();
  // The file that holds `url`'s tile (whether or not it exists).
  std::string PathFor(const std::string& url) const;

 private:
  struct Entry {
    std::uint64_t size = 0;
    std::list<std::string>::iterator use;  // position in use_, most recent first
  };
  void ScanOnce();
  void Forget(const std::string& path);
  void MarkUsed(const std::string& path, std::uint64_t size);
  void EvictToBound();

  const std::string folder_;
  const std::uint64_t max_bytes_;
  std::mutex mutex_;
  bool scanned_ = false;
  std::uint64_t total_ = 0;
  std::list<std::string> use_;
  std::unordered_map<std::string, Entry> entries_;
};

}  // namespace orv::maps
