#include "cloud/http_post.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>

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

}  // namespace

HttpPost::~HttpPost() {
  if (curl_) curl_easy_cleanup(static_cast<CURL*>(curl_));
  if (multi_) curl_multi_cleanup(static_cast<CURLM*>(multi_));
}

bool HttpPost::Connect(const std::string& host, int port) {
  detail::EnsureCurlGlobal();
  if (!curl_) curl_ = curl_easy_init();
  if (!multi_) multi_ = curl_multi_init();
  if (!curl_ || !multi_) return false;
  host_ = host;
  bool v6 = host.find(':') != std::string::npos;
  origin_ = "https://" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
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

std::string BearerHeader() { return "Authorization: Bearer " + State().token + "\r\n\r\n"; }

}  // namespace orv
