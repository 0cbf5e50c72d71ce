#include "maps/tile_service.h"

#include <chrono>

namespace orv::maps {

namespace {

std::int64_t Now() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

std::int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

TileReply Reply(TileReply::Source source, const CachedTile& tile) {
  return {source, tile.body, tile.content_type.empty() ? "image/png" : tile.content_type};
}

}  // namespace

TileService::TileService(TileServiceOptions options)
    : options_(std::move(options)), cache_(options_.cache_folder, options_.max_bytes) {
  threads_.emplace_back([this] { CacheLoop(); });
  for (int i = 0; i < 2; ++i) threads_.emplace_back([this] { ServerLoop(); });
}

TileService::~TileService() {
  {
    std::lock_guard lock(mutex_);
    stop_.Cancel();
  }
  wake_.notify_all();
  for (auto& t : threads_) t.join();
  for (auto* queue : {&to_cache_, &to_server_})
    for (Job& job : *queue) job.done({});
}

void TileService::Get(const TileKey& key, Done done) {
  {
    std::lock_guard lock(mutex_);
    if (!stop_.IsCancelled()) {
      to_cache_.push_back({TileUrl(options_.url_template, key), std::move(done), std::nullopt});
      done = nullptr;
    }
  }
  if (done)
    done({});
  else
    wake_.notify_all();
}

bool TileService::Pop(std::deque<Job>& queue, Job& job) {
  std::unique_lock lock(mutex_);
  wake_.wait(lock, [&] { return stop_.IsCancelled() || !queue.empty(); });
  if (stop_.IsCancelled()) return false;
  job = std::move(queue.front());
  queue.pop_front();
  return true;
}

bool TileService::Offline() const { return SteadyMs() < offline_until_.load(); }

void TileService::CacheLoop() {
  Job job;
  while (Pop(to_cache_, job)) {
    job.cached = cache_.Load(job.url);
    if (job.cached && job.cached->fresh_until > Now()) {
      job.done(Reply(TileReply::Cache, *job.cached));
    } else if (Offline()) {
      job.done(job.cached ? Reply(TileReply::OldCopy, *job.cached) : TileReply{});
    } else {
      {
        std::lock_guard lock(mutex_);
        to_server_.push_back(std::move(job));
      }
      wake_.notify_all();
    }
    job = Job();
  }
}

void TileService::ServerLoop() {
  Job job;
  while (Pop(to_server_, job)) {
    job.done(FromServer(job));
    job = Job();
  }
}

TileReply TileService::FromServer(Job& job) {
  const CachedTile* known = job.cached ? &*job.cached : nullptr;
  // An old copy is better than a blank sea for a diver without network.
  auto fallback = [&] { return known ? Reply(TileReply::OldCopy, *known) : TileReply{}; };
  if (Offline()) return fallback();
  FetchResult r = FetchTile(job.url, known, options_.limits, &stop_);
  switch (r.kind) {
    case FetchResult::Fetched:
      if (r.store) cache_.Store(job.url, r.tile);
      return Reply(TileReply::Server, r.tile);
    case FetchResult::NotModified: {
      CachedTile renewed = *known;
      renewed.fresh_until = r.tile.fresh_until;
      if (!r.tile.etag.empty()) renewed.etag = r.tile.etag;
      if (!r.tile.last_modified.empty()) renewed.last_modified = r.tile.last_modified;
      if (r.store) cache_.Store(job.url, renewed);
      return Reply(TileReply::Server, renewed);
    }
    case FetchResult::Refused:
      return fallback();
    case FetchResult::Unreachable:
      if (!stop_.IsCancelled()) offline_until_ = SteadyMs() + options_.offline_seconds * 1000ll;
      return fallback();
  }
  return fallback();
}

}  // namespace orv::maps
