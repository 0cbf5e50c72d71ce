#include "cloud/request_pool.h"

#include <curl/curl.h>

#include <algorithm>

#include "cloud/curl_setup.h"
#include "cloud/service_config.h"

namespace orv {

struct RequestPool::Slot {
  CURL* curl = nullptr;  // kept: its TLS session is reused by the next request
  bool busy = false;
  std::uint64_t tag = 0;
  std::string url;
  curl_slist* headers = nullptr;
  detail::BodySink sink;

  ~Slot() {
    if (headers) curl_slist_free_all(headers);
    if (curl) curl_easy_cleanup(curl);
  }
};

RequestPool::RequestPool(int width, Cancellable* stop) : width_(std::clamp(width, 1, kMaxWidth)), stop_(stop) {
  detail::EnsureCurlGlobal();
  CURLM* multi = curl_multi_init();
  multi_ = multi;
  if (!multi) return;
  // The connections live in the multi handle's cache, shared by every slot;
  // one host, so this bounds the connections as well as the requests.
  curl_multi_setopt(multi, CURLMOPT_PIPELINING, static_cast<long>(CURLPIPE_MULTIPLEX));
  curl_multi_setopt(multi, CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(width_));
  curl_multi_setopt(multi, CURLMOPT_MAX_TOTAL_CONNECTIONS, static_cast<long>(width_));
  const ServiceConfig& service = Service();
  host_ = service.host;
  origin_ = ServiceOrigin();
  // A cancel wakes the poll at once instead of at its next look.
  if (stop_) wake_id_ = stop_->Connect([multi] { curl_multi_wakeup(multi); });
}

RequestPool::~RequestPool() {
  if (stop_ && wake_id_ >= 0) stop_->Disconnect(wake_id_);
  Abandon();
  slots_.clear();
  if (multi_) curl_multi_cleanup(static_cast<CURLM*>(multi_));
}

int RequestPool::in_flight() const {
  return static_cast<int>(std::count_if(slots_.begin(), slots_.end(), [](const auto& s) { return s->busy; }));
}

bool RequestPool::Stopping() const { return detail::StopSeen() || (stop_ && stop_->IsCancelled()); }

bool RequestPool::Start(std::uint64_t tag, const Endpoint& endpoint) {
  if (!multi_ || full()) return false;
  auto free_slot = std::find_if(slots_.begin(), slots_.end(), [](const auto& s) { return !s->busy; });
  Slot* slot = nullptr;
  if (free_slot != slots_.end()) {
    slot = free_slot->get();
  } else {
    slots_.push_back(std::make_unique<Slot>());
    slot = slots_.back().get();
  }
  if (!slot->curl) slot->curl = curl_easy_init();
  if (!slot->curl) return false;
  CURL* curl = slot->curl;
  curl_easy_reset(curl);
  detail::ApplyTransportOptions(curl, host_);
  detail::ApplyRequestLimits(curl);
  // Waiting for the first connection to learn whether it multiplexes costs
  // one handshake; guessing wrong would open a connection per request.
  curl_easy_setopt(curl, CURLOPT_PIPEWAIT, 1L);
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
  slot->url = origin_ + "/" + endpoint.path;
  curl_easy_setopt(curl, CURLOPT_URL, slot->url.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  if (slot->headers) curl_slist_free_all(slot->headers);
  slot->headers = detail::RequestHeaders(endpoint.body_type, endpoint.bearer ? BearerHeader() : std::string());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, slot->headers);
  slot->sink = detail::BodySink{};
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, detail::WriteBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &slot->sink);
  curl_easy_setopt(curl, CURLOPT_PRIVATE, slot);
  if (curl_multi_add_handle(static_cast<CURLM*>(multi_), curl) != CURLM_OK) return false;
  slot->busy = true;
  slot->tag = tag;
  return true;
}

RequestPool::Done RequestPool::End(Slot& slot, int rc, bool stopped) {
  curl_multi_remove_handle(static_cast<CURLM*>(multi_), slot.curl);
  slot.busy = false;
  Done done;
  done.tag = slot.tag;
  done.result = detail::Finish(slot.curl, static_cast<CURLcode>(rc), stopped, slot.sink);
  curl_easy_setopt(slot.curl, CURLOPT_HTTPHEADER, nullptr);
  return done;
}

std::vector<RequestPool::Done> RequestPool::Wait(int timeout_ms) {
  std::vector<Done> done;
  auto* multi = static_cast<CURLM*>(multi_);
  if (!multi || in_flight() == 0) return done;
  // Sliced, so a stop is seen within a tenth of a second however long the
  // caller waits.
  for (int waited = 0;;) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      for (auto& slot : slots_)
        if (slot->busy) done.push_back(End(*slot, CURLE_FAILED_INIT, false));
      return done;
    }
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
      if (msg->msg != CURLMSG_DONE) continue;
      Slot* slot = nullptr;
      curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, &slot);
      // Read before End: removing the handle frees the message.
      const CURLcode rc = msg->data.result;
      if (slot && slot->busy) done.push_back(End(*slot, rc, false));
    }
    if (Stopping()) {
      for (auto& slot : slots_)
        if (slot->busy) done.push_back(End(*slot, CURLE_ABORTED_BY_CALLBACK, true));
      return done;
    }
    if (!done.empty() || in_flight() == 0 || waited >= timeout_ms) return done;
    const int slice = std::min(detail::kWatchIntervalMs, std::max(1, timeout_ms - waited));
    curl_multi_poll(multi, nullptr, 0, slice, nullptr);
    waited += slice;
  }
}

void RequestPool::Abandon() {
  for (auto& slot : slots_)
    if (slot->busy) {
      curl_multi_remove_handle(static_cast<CURLM*>(multi_), slot->curl);
      slot->busy = false;
    }
}

}  // namespace orv
