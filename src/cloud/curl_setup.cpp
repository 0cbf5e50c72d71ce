#include "cloud/curl_setup.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "app/cancellable.h"
#include "cloud/service_config.h"
#include "cloud/transfer_runner.h"

namespace orv::detail {

void EnsureCurlGlobal() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool IsLoopbackHost(const std::string& host) {
  return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

std::string UrlHost(const std::string& url) {
  auto start = url.find("://");
  start = start == std::string::npos ? 0 : start + 3;
  auto end = url.find_first_of("/?#", start);
  std::string authority = url.substr(start, end == std::string::npos ? std::string::npos : end - start);
  if (auto at = authority.rfind('@'); at != std::string::npos) authority.erase(0, at + 1);
  if (!authority.empty() && authority.front() == '[') {
    auto close = authority.find(']');
    return authority.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  return authority.substr(0, authority.find(':'));
}

void ApplyTransportOptions(CURL* curl, const std::string& url_host) {
  const ServiceConfig& cfg = Service();
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "InetURL/1.0");
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  // The local service's CA is trusted in addition to the system's: with the
  // OpenSSL back end the bundle file and the system CA folder both count.
  if (!cfg.ca_file.empty()) {
    curl_easy_setopt(curl, CURLOPT_CAINFO, cfg.ca_file.c_str());
    curl_easy_setopt(curl, CURLOPT_CAPATH, "/etc/ssl/certs");
  }
  // libcurl takes the proxy from the environment by itself; a proxy would
  // never reach our own loopback service.
  if (IsLoopbackHost(url_host)) curl_easy_setopt(curl, CURLOPT_PROXY, "");
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(cfg.connect_timeout_ms));
}

void ApplyRequestLimits(CURL* curl) {
  const ServiceConfig& cfg = Service();
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(cfg.request_timeout_ms));
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(cfg.stall_seconds));
}

void ApplyDownloadLimits(CURL* curl) {
  const ServiceConfig& cfg = Service();
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, static_cast<long>(cfg.download_min_bytes_per_s));
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(cfg.stall_seconds));
}

void BodySink::Add(const char* data, std::size_t size) {
  // Chunks are counted from the start of the body, so the outcome does not
  // depend on how the network split it.
  while (size > 0) {
    std::size_t take = std::min<std::size_t>(size, 1024 - pos_in_chunk);
    if (!chunk_cut) {
      const void* nul = std::memchr(data, 0, take);
      std::size_t keep = nul ? static_cast<const char*>(nul) - data : take;
      text.append(data, keep);
      if (nul) chunk_cut = true;
    }
    data += take;
    size -= take;
    pos_in_chunk += take;
    if (pos_in_chunk == 1024) {
      pos_in_chunk = 0;
      chunk_cut = false;
    }
  }
}

size_t WriteBody(char* data, size_t, size_t size, void* user) {
  auto* sink = static_cast<BodySink*>(user);
  if (sink->text.size() + size > HttpPost::kMaxReplyBytes) {
    sink->too_big = true;
    return 0;  // aborts the transfer
  }
  sink->Add(data, size);
  return size;
}

namespace {

curl_slist* AddHeaderLines(curl_slist* list, std::string_view text) {
  while (!text.empty()) {
    auto end = text.find_first_of("\r\n");
    std::string line(text.substr(0, end));
    if (!line.empty()) list = curl_slist_append(list, line.c_str());
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return list;
}

}  // namespace

curl_slist* RequestHeaders(BodyType type, std::string_view extra_headers) {
  curl_slist* headers = nullptr;
  headers = curl_slist_append(headers, type == BodyType::Json ? "Content-Type: application/json"
                                                              : "Content-Type: application/x-www-form-urlencoded");
  headers = curl_slist_append(headers, "accept: application/json");
  headers = curl_slist_append(headers, "Expect:");  // no 100-continue round trip
  return AddHeaderLines(headers, extra_headers);
}

HttpResult Finish(CURL* curl, CURLcode rc, bool stopped, BodySink& sink) {
  HttpResult result;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
  result.outcome = Classify(rc, stopped, result.status != 0);
  if (sink.too_big) result.outcome = TransferOutcome::TooLarge;
  if (result.complete()) result.body = std::move(sink.text);
  return result;
}

namespace {

TransferRunner& Runner() {
  static TransferRunner runner;
  return runner;
}

CURLcode RunOnMulti(CURLM* multi, CURL* curl, const Cancellable& transfer, bool& stopped) {
  if (curl_multi_add_handle(multi, curl) != CURLM_OK) return CURLE_FAILED_INIT;
  CURLcode rc = CURLE_OK;
  for (bool done = false; !done;) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      rc = CURLE_FAILED_INIT;
      break;
    }
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
      if (msg->msg == CURLMSG_DONE && msg->easy_handle == curl) {
        rc = msg->data.result;
        done = true;
      }
    }
    if (done) break;
    if (running == 0) {  // ended without telling why: never taken for a reply
      rc = CURLE_RECV_ERROR;
      break;
    }
    // The program's stop as well: an operation made without a parent still
    // ends with the program.
    if (transfer.IsCancelled() || ProgramStop().IsCancelled()) {
      stopped = true;
      rc = CURLE_ABORTED_BY_CALLBACK;
      break;
    }
    curl_multi_poll(multi, nullptr, 0, kWatchIntervalMs, nullptr);
  }
  // The connection stays in `multi`'s cache for the next request; one cut
  // off mid-transfer is closed by libcurl instead of being reused.
  curl_multi_remove_handle(multi, curl);
  return rc;
}

}  // namespace

bool StopSeen() { return ProgramStop().IsCancelled() || Cancellable::Current().IsCancelled(); }

CURLcode Perform(CURLM* multi, CURL* curl, bool& stopped) {
  stopped = false;
  // A child of the operation the calling thread works for (taken here: the
  // runner may perform elsewhere); its cancel wakes the poll at once
  // instead of at the next look.
  Cancellable transfer(&Cancellable::Current());
  const int wake = transfer.Connect([multi] { curl_multi_wakeup(multi); });
  CURLcode rc = CURLE_OK;
  auto perform = [&] { rc = RunOnMulti(multi, curl, transfer, stopped); };
  // The runner is set once at start-up, before any transfer.
  if (Runner())
    Runner()(perform, transfer);
  else
    perform();
  transfer.Disconnect(wake);
  return rc;
}

TransferOutcome Classify(CURLcode rc, bool stopped, bool any_status) {
  if (stopped) return TransferOutcome::Stopped;
  if (rc == CURLE_OK) return TransferOutcome::Complete;
  // An answer that had begun and then stopped short, as against none at all.
  if (any_status) return TransferOutcome::Cut;
  switch (rc) {
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
      return TransferOutcome::Cut;
    default:
      return TransferOutcome::Failed;
  }
}

}  // namespace orv::detail

namespace orv {

void SetTransferRunner(TransferRunner runner) { detail::Runner() = std::move(runner); }

}  // namespace orv
