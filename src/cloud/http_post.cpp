#include "cloud/http_post.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <vector>

#include "app/app_state.h"
#include "cloud/curl_setup.h"
#include "cloud/service_config.h"

namespace orv {

namespace {

// A request body handed to libcurl piece by piece, with no way back to its
// start: libcurl sends a request again, unasked, when a reused connection
// closes before any answer, and the service may already have acted on it (an
// upload step stored twice). Unable to rewind the body, libcurl ends such a
// request as failed instead, and the connection stays reusable for the rest.
struct BodySource {
  const char* data;
  std::size_t left;
};

size_t ReadBody(char* buffer, size_t size, size_t count, void* user) {
  auto* source = static_cast<BodySource*>(user);
  const std::size_t n = std::min(size * count, source->left);
  std::memcpy(buffer, source->data, n);
  source->data += n;
  source->left -= n;
  return n;
}

// The handles of ended operations, each with its live connection and the
// CA store its multi handle has cached: the next operation to the same
// origin (a diver opening dive after dive) skips the TCP and TLS handshakes
// and the loading of the CA store, some 5 ms on loopback and a round trip
// or two on a real line. A pair serves one operation at a time, on one
// thread at a time; libcurl's own connection sharing is not safe across
// the threads our requests run on.
class HandleShelf {
 public:
  struct Pair {
    CURL* curl = nullptr;
    CURLM* multi = nullptr;
  };

  Pair Take(const std::string& origin) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = kept_.rbegin(); it != kept_.rend(); ++it) {
      if (it->origin != origin) continue;
      Pair pair = it->pair;
      kept_.erase(std::next(it).base());
      return pair;
    }
    return {};
  }

  void Put(const std::string& origin, Pair pair) {
    Pair dropped;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      kept_.push_back({origin, pair});
      if (kept_.size() > kMaxKept) {
        dropped = kept_.front().pair;
        kept_.erase(kept_.begin());
      }
    }
    Free(dropped);
  }

  void Clear() {
    std::vector<Kept> kept;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      kept.swap(kept_);
    }
    for (const Kept& k : kept) Free(k.pair);
  }

  static void Free(Pair pair) {
    if (pair.curl) curl_easy_cleanup(pair.curl);
    if (pair.multi) curl_multi_cleanup(pair.multi);
  }

 private:
  // Requests nested on the UI thread each hold a pair; a few cover them.
  static constexpr std::size_t kMaxKept = 4;
  struct Kept {
    std::string origin;
    Pair pair;
  };
  std::mutex mutex_;
  std::vector<Kept> kept_;
};

// Never destroyed: the pairs left at exit go with the process.
HandleShelf& Shelf() {
  static auto* shelf = new HandleShelf;
  return *shelf;
}

// A kept connection idle for longer is closed rather than reused: a server
// may close an idle connection at any moment after a few seconds (Apache
// does after 5), and a request with a body that meets such a close is not
// sent again (see BodySource).
constexpr long kMaxIdleSeconds = 4;

}  // namespace

HttpPost::~HttpPost() {
  HandleShelf::Pair pair{static_cast<CURL*>(curl_), static_cast<CURLM*>(multi_)};
  if (pair.curl && pair.multi && !origin_.empty())
    Shelf().Put(origin_, pair);
  else
    HandleShelf::Free(pair);
}

bool HttpPost::Connect(const std::string& host, int port) {
  detail::EnsureCurlGlobal();
  const bool v6 = host.find(':') != std::string::npos;
  std::string origin = "https://" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
  if (!curl_ && !multi_) {
    const HandleShelf::Pair kept = Shelf().Take(origin);
    curl_ = kept.curl;
    multi_ = kept.multi;
  }
  if (!curl_) curl_ = curl_easy_init();
  if (!multi_) multi_ = curl_multi_init();
  if (!curl_ || !multi_) return false;
  host_ = host;
  origin_ = std::move(origin);
  return true;
}

bool HttpPost::Connect() { return Connect(Service().host, Service().port); }

HttpResult HttpPost::Request(std::string_view verb, std::string_view path, std::string_view extra_headers,
                             const void* body, std::size_t length, BodyType type) {
  auto* curl = static_cast<CURL*>(curl_);
  if (!curl) return {};
  // Reset keeps the live connection and TLS session of this operation.
  curl_easy_reset(curl);
  detail::ApplyTransportOptions(curl, host_);
  detail::ApplyRequestLimits(curl);
  curl_easy_setopt(curl, CURLOPT_MAXAGE_CONN, kMaxIdleSeconds);
  std::string url = origin_ + "/" + std::string(path);
  std::string method(verb);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  BodySource source{static_cast<const char*>(body), body ? length : 0};
  if (method == "GET") {
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  } else {
    // A request with a body goes out at most once (see BodySource).
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, ReadBody);
    curl_easy_setopt(curl, CURLOPT_READDATA, &source);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(source.left));
    if (method != "POST") curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
  }
  curl_slist* headers = detail::RequestHeaders(type, extra_headers);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);

  detail::BodySink sink;
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, detail::WriteBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  bool stopped = false;
  const CURLcode rc = detail::Perform(static_cast<CURLM*>(multi_), curl, stopped);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
  curl_slist_free_all(headers);
  return detail::Finish(curl, rc, stopped, sink);
}

void CloseKeptConnections() { Shelf().Clear(); }

std::string BearerHeader() { return "Authorization: Bearer " + State().token + "\r\n\r\n"; }

}  // namespace orv
