#include "maps/tile_fetch.h"

#include <curl/curl.h>

#include <cctype>
#include <ctime>
#include <memory>

#include "cloud/curl_setup.h"
#include "maps/tile_source.h"

namespace orv::maps {

namespace {

// A tile server has no business sending more than this for one tile.
constexpr std::size_t kMaxTileBytes = 4 * 1024 * 1024;
constexpr std::int64_t kDefaultLifetime = 24 * 3600;

std::string Trim(std::string s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
  std::size_t start = 0;
  while (start < s.size() && std::isspace(static_cast<unsigned char>(s[start]))) ++start;
  return s.substr(start);
}

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Header(const HeaderMap& h, const char* name) {
  auto it = h.find(name);
  return it == h.end() ? std::string() : it->second;
}

// The number after "name=" in a Cache-Control value, or -1.
long long Directive(const std::string& cache_control, const std::string& name, bool& present) {
  present = false;
  std::size_t at = 0;
  while (at <= cache_control.size()) {
    auto end = cache_control.find(',', at);
    std::string item = Trim(cache_control.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (item == name) present = true;
    if (item.rfind(name + "=", 0) == 0) {
      present = true;
      std::string v = item.substr(name.size() + 1);
      if (!v.empty() && v.front() == '"') v = v.substr(1, v.size() >= 2 ? v.size() - 2 : 0);
      char* stop = nullptr;
      long long n = std::strtoll(v.c_str(), &stop, 10);
      return !v.empty() && *stop == 0 && n >= 0 ? n : -1;
    }
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return -1;
}

struct Transfer {
  std::string body;
  HeaderMap headers;
  const Cancellable* stop = nullptr;
  bool too_big = false;
};

size_t OnBody(char* data, size_t, size_t size, void* user) {
  auto* t = static_cast<Transfer*>(user);
  if (t->body.size() + size > kMaxTileBytes) {
    t->too_big = true;
    return 0;
  }
  t->body.append(data, size);
  return size;
}

size_t OnHeader(char* data, size_t, size_t size, void* user) {
  auto* t = static_cast<Transfer*>(user);
  std::string line(data, size);
  if (line.rfind("HTTP/", 0) == 0) t->headers.clear();  // a new reply after a redirect
  auto colon = line.find(':');
  if (colon == std::string::npos) return size;
  std::string name = Lower(Trim(line.substr(0, colon)));
  std::string value = Trim(line.substr(colon + 1));
  auto& slot = t->headers[name];
  slot = slot.empty() || name != "cache-control" ? value : slot + ", " + value;
  return size;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* t = static_cast<Transfer*>(user);
  return t->stop && t->stop->IsCancelled() ? 1 : 0;
}

struct CurlFree {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct SlistFree {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

}  // namespace

Freshness ReadFreshness(const HeaderMap& headers, std::int64_t now) {
  Freshness f;
  const std::string cc = Lower(Header(headers, "cache-control"));
  bool present = false;
  Directive(cc, "no-store", present);
  if (present) return {false, now};
  Directive(cc, "no-cache", present);
  if (present) return {true, now};
  const long long age = std::max(0ll, std::atoll(Header(headers, "age").c_str()));
  const long long max_age = Directive(cc, "max-age", present);
  if (present) {
    f.fresh_until = now + std::max(0ll, max_age - age);
    return f;
  }
  const std::string expires = Header(headers, "expires");
  if (!expires.empty()) {
    const time_t when = curl_getdate(expires.c_str(), nullptr);
    const time_t date = curl_getdate(Header(headers, "date").c_str(), nullptr);
    // An unreadable Expires ("0", "-1") means already stale.
    f.fresh_until = when < 0 ? now : now + std::max<std::int64_t>(0, when - (date < 0 ? now : date));
    return f;
  }
  f.fresh_until = now + kDefaultLifetime;
  return f;
}

FetchResult FetchTile(const std::string& url, const CachedTile* known, const FetchLimits& limits,
                      const Cancellable* stop) {
  FetchResult result;
  detail::EnsureCurlGlobal();
  std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
  if (!curl) return result;
  Transfer t;
  t.stop = stop;
  CURL* c = curl.get();
  detail::ApplyTransportOptions(c, detail::UrlHost(url));
  const std::string agent = ProgramUserAgent();
  curl_easy_setopt(c, CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect_timeout_ms));
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits.stall_seconds));
  curl_easy_setopt(c, CURLOPT_TIMEOUT, static_cast<long>(limits.total_seconds));
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &t);
  std::unique_ptr<curl_slist, SlistFree> extra;
  if (known) {
    curl_slist* list = nullptr;
    if (!known->etag.empty()) list = curl_slist_append(list, ("If-None-Match: " + known->etag).c_str());
    if (!known->last_modified.empty())
      list = curl_slist_append(list, ("If-Modified-Since: " + known->last_modified).c_str());
    extra.reset(list);
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, list);
  }
  const CURLcode rc = curl_easy_perform(c);
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.status);
  if (rc != CURLE_OK && !(t.too_big && result.status != 0)) return result;  // Unreachable

  const Freshness fresh = ReadFreshness(t.headers, static_cast<std::int64_t>(std::time(nullptr)));
  result.store = fresh.store;
  result.tile.fresh_until = fresh.fresh_until;
  result.tile.etag = Header(t.headers, "etag");
  result.tile.last_modified = Header(t.headers, "last-modified");
  if (result.status == 304 && known) {
    result.kind = FetchResult::NotModified;
  } else if (result.status == 200 && !t.too_big && !t.body.empty()) {
    result.kind = FetchResult::Fetched;
    result.tile.body = std::move(t.body);
    result.tile.content_type = Header(t.headers, "content-type");
    if (result.tile.content_type.empty()) result.tile.content_type = "image/png";
  } else {
    result.kind = FetchResult::Refused;
  }
  return result;
}

}  // namespace orv::maps
