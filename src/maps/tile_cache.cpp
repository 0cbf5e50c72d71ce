#include "maps/tile_cache.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace orv::maps {

namespace fs = std::filesystem;

namespace {

constexpr char kMagic[] = "ORVTILE 1";
constexpr char kSuffix[] = ".tile";
// Half-written files of a run that died are removed once they are this old;
// younger ones may belong to another window of the program writing right now.
constexpr auto kLeftoverAge = std::chrono::hours(24);

// FNV-1a: a stable name for a URL across runs and builds.
std::string HashName(const std::string& text) {
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : text) h = (h ^ c) * 1099511628211ull;
  char out[17];
  std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(h));
  return out;
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

std::optional<std::string> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Header lines, then the image: magic, url, fresh-until, etag,
// last-modified, content type.
std::optional<CachedTile> Parse(const std::string& data, const std::string& url) {
  std::string fields[6];
  std::size_t at = 0;
  for (auto& field : fields) {
    auto end = data.find('\n', at);
    if (end == std::string::npos) return std::nullopt;
    field = data.substr(at, end - at);
    at = end + 1;
  }
  if (fields[0] != kMagic || fields[1] != url) return std::nullopt;
  CachedTile tile;
  char* end = nullptr;
  tile.fresh_until = std::strtoll(fields[2].c_str(), &end, 10);
  if (fields[2].empty() || *end) return std::nullopt;
  tile.etag = fields[3];
  tile.last_modified = fields[4];
  tile.content_type = fields[5];
  tile.body = data.substr(at);
  return tile;
}

}  // namespace

std::string DefaultTileCacheFolder() {
  const gchar* cache = g_get_user_cache_dir();
  if (!cache || !*cache) return {};
  return std::string(cache) + "/orvelle-pc-tool/tiles";
}

TileCache::TileCache(std::string folder, std::uint64_t max_bytes) : folder_(std::move(folder)), max_bytes_(max_bytes) {}

std::string TileCache::PathFor(const std::string& url) const {
  const std::string name = HashName(url);
  return folder_ + "/" + name.substr(0, 2) + "/" + name + kSuffix;
}

void TileCache::ScanOnce() {
  if (scanned_) return;
  scanned_ = true;
  struct Found {
    fs::file_time_type used;
    std::string path;
    std::uint64_t size;
  };
  std::vector<Found> found;
  std::error_code ec;
  const auto now = fs::file_time_type::clock::now();
  for (auto it = fs::recursive_directory_iterator(folder_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    std::error_code item_ec;
    if (!it->is_regular_file(item_ec)) continue;
    const auto path = it->path();
    const auto time = it->last_write_time(item_ec);
    if (item_ec) continue;
    if (path.extension() != kSuffix) {
      if (now - time > kLeftoverAge) fs::remove(path, item_ec);
      continue;
    }
    found.push_back({time, path.string(), it->file_size(item_ec)});
  }
  // The files' times carry the order of use over from earlier runs.
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.used < b.used; });
  for (const Found& f : found) MarkUsed(f.path, f.size);
  EvictToBound();
}

void TileCache::Forget(const std::string& path) {
  auto it = entries_.find(path);
  if (it == entries_.end()) return;
  total_ -= it->second.size;
  use_.erase(it->second.use);
  entries_.erase(it);
}

void TileCache::MarkUsed(const std::string& path, std::uint64_t size) {
  Forget(path);
  use_.push_front(path);
  entries_[path] = Entry{size, use_.begin()};
  total_ += size;
}

void TileCache::EvictToBound() {
  while (total_ > max_bytes_ && !use_.empty()) {
    const std::string oldest = use_.back();
    std::error_code ec;
    fs::remove(oldest, ec);
    Forget(oldest);
  }
}

std::optional<CachedTile> TileCache::Load(const std::string& url) {
  std::lock_guard lock(mutex_);
  ScanOnce();
  const std::string path = PathFor(url);
  auto data = ReadAll(path);
  if (!data) {
    Forget(path);
    return std::nullopt;
  }
  auto tile = Parse(*data, url);
  if (!tile) return std::nullopt;  // damaged, or another URL with the same name: the next Store replaces it
  // The file's time is the order of use for the next run.
  ::utimensat(AT_FDCWD, path.c_str(), nullptr, 0);
  MarkUsed(path, data->size());
  return tile;
}

bool TileCache::Store(const std::string& url, const CachedTile& tile) {
  std::lock_guard lock(mutex_);
  ScanOnce();
  if (HasLineBreak(url) || HasLineBreak(tile.etag) || HasLineBreak(tile.last_modified) ||
      HasLineBreak(tile.content_type))
    return false;
  std::string data = std::string(kMagic) + "\n" + url + "\n" + std::to_string(tile.fresh_until) + "\n" + tile.etag +
                     "\n" + tile.last_modified + "\n" + tile.content_type + "\n" + tile.body;
  const std::string path = PathFor(url);
  if (data.size() > max_bytes_) return false;
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  // Written beside its final name and renamed, so a crash never leaves a
  // half tile under a name that would be shown.
  std::string temp = path + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool written = true;
  for (std::size_t at = 0; written && at < data.size();) {
    ssize_t n = ::write(fd, data.data() + at, data.size() - at);
    written = n > 0;
    at += written ? static_cast<std::size_t>(n) : 0;
  }
  written = ::close(fd) == 0 && written;
  if (!written || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  MarkUsed(path, data.size());
  EvictToBound();
  return true;
}

std::uint64_t TileCache::bytes() {
  std::lock_guard lock(mutex_);
  ScanOnce();
  return total_;
}

}  // namespace orv::maps
