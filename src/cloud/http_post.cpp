#include "cloud/http_post.h"

#include <curl/curl.h>

#include <cstring>

#include "app/app_state.h"
#include "cloud/curl_setup.h"
#include "cloud/service_config.h"

namespace orv {

namespace {

// Mirrors reading the body 1024 bytes at a time into a zeroed buffer and
// keeping each chunk's text up to its first NUL. Chunks are counted from the
// start of the body so the outcome does not depend on how the network split it.
struct BodySink {
  std::string text;
  std::size_t pos_in_chunk = 0;
  bool chunk_cut = false;
  bool too_big = false;

  void Add(const char* data, std::size_t size) {
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
};

size_t WriteBody(char* data, size_t, size_t size, void* user) {
  auto* sink = static_cast<BodySink*>(user);
  if (sink->text.size() + size > HttpPost::kMaxReplyBytes) {
    sink->too_big = true;
    return 0;  // aborts the transfer
  }
  sink->Add(data, size);
  return size;
}

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

HttpPost::~HttpPost() {
  if (curl_) curl_easy_cleanup(static_cast<CURL*>(curl_));
}

bool HttpPost::Connect(const std::string& host, int port) {
  detail::EnsureCurlGlobal();
  if (!curl_) curl_ = curl_easy_init();
  if (!curl_) return false;
  host_ = host;
  bool v6 = host.find(':') != std::string::npos;
  origin_ = "https://" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
  return true;
}

bool HttpPost::Connect() { return Connect(Service().host, Service().port); }

std::string HttpPost::Request(std::string_view verb, std::string_view path, std::string_view extra_headers,
                              const void* body, std::size_t length, bool json) {
  auto* curl = static_cast<CURL*>(curl_);
  if (!curl) return {};
  // Reset keeps the live connection and TLS session of this operation.
  curl_easy_reset(curl);
  detail::ApplyTransportOptions(curl, host_);
  std::string url = origin_ + "/" + std::string(path);
  std::string method(verb);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  if (method == "GET") {
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  } else {
    // libcurl sends a request again, unasked, when a reused connection closes
    // before any answer; the service may already have acted on it (an upload
    // step stored twice). A connection of its own, never reused afterwards,
    // means a request with a body goes out at most once.
    curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, length ? static_cast<const char*>(body) : "");
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(length));
    if (method != "POST") curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
  }
  curl_slist* headers = nullptr;
  headers = curl_slist_append(headers, json ? "Content-Type: application/json"
                                            : "Content-Type: application/x-www-form-urlencoded");
  headers = curl_slist_append(headers, "accept: application/json");
  headers = curl_slist_append(headers, "Expect:");  // no 100-continue round trip
  headers = AddHeaderLines(headers, extra_headers);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);

  BodySink sink;
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  curl_easy_perform(curl);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
  curl_slist_free_all(headers);
  if (sink.too_big) return {};
  return std::move(sink.text);
}

std::string BearerHeader() { return "Authorization: Bearer " + State().token + "\r\n\r\n"; }

}  // namespace orv
