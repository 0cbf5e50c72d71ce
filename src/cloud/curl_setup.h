// libcurl settings shared by HttpPost and DownloadToFile (internal to the
// cloud library).
#pragma once

#include <curl/curl.h>

#include <string>
#include <string_view>

#include "cloud/http_post.h"

namespace orv::detail {

// Once per process, before the first handle.
void EnsureCurlGlobal();

// HTTPS only (redirects too), certificate and host checks on, the extra CA of
// a local service, proxy from the environment (never for loopback), the
// connect time-out of the service configuration. The caller adds its own
// bound on the whole transfer (RequestLimits or DownloadLimits).
void ApplyTransportOptions(CURL* curl, const std::string& url_host);

// The transfer of a prepared handle on `multi` (which keeps the connection
// for the next transfer of the same operation), through the installed
// TransferRunner. It looks at its Cancellable (a child of the thread's
// current one) and the program's stop every 100 ms, whatever the line does,
// and is woken at once when one is cancelled; it then ends the
// transfer: `stopped` is set and the result is CURLE_ABORTED_BY_CALLBACK.
CURLcode Perform(CURLM* multi, CURL* curl, bool& stopped);

// The outcome of a finished transfer that did not pass a bound of its own:
// Complete, Stopped, Cut (an answer had begun, `any_status`, or the line
// broke mid-answer) or Failed (no answer at all).
TransferOutcome Classify(CURLcode rc, bool stopped, bool any_status);

// Service API requests: a reply that has not fully arrived within
// `request_timeout_ms` is abandoned, however slowly it trickles.
void ApplyRequestLimits(CURL* curl);
// Files: abandoned while slower than `download_min_bytes_per_s` for
// `stall_seconds`; a large file on a slow but working line still arrives.
void ApplyDownloadLimits(CURL* curl);

// Reads a reply body the way every request does: 1024 bytes at a time into
// a zeroed buffer, each chunk's text kept up to its first NUL, abandoned
// past HttpPost::kMaxReplyBytes (too_big).
struct BodySink {
  std::string text;
  std::size_t pos_in_chunk = 0;
  bool chunk_cut = false;
  bool too_big = false;
  void Add(const char* data, std::size_t size);
};
// CURLOPT_WRITEFUNCTION for a BodySink.
size_t WriteBody(char* data, size_t, size_t size, void* user);

// The headers of an API request: the Content-Type of `type`, "accept:
// application/json", no Expect, then `extra_headers` (CR LF separated
// lines). Freed by the caller with curl_slist_free_all.
curl_slist* RequestHeaders(BodyType type, std::string_view extra_headers);

// What became of a finished API request on `curl`: its status, its outcome
// and, only when the whole reply arrived, its body (half a JSON text must
// never be read as one).
HttpResult Finish(CURL* curl, CURLcode rc, bool stopped, BodySink& sink);

// Whether the calling thread's transfers must end now: the program's stop
// or the thread's current operation cancelled.
bool StopSeen();

// How long a transfer loop sleeps in poll at most: the longest a Cancel or
// a stop goes unseen while the line is silent.
inline constexpr int kWatchIntervalMs = 100;

// True for 127.0.0.0/8, ::1 and "localhost".
bool IsLoopbackHost(const std::string& host);

// The host part of an absolute https URL, brackets of an IPv6 literal removed.
std::string UrlHost(const std::string& url);

}  // namespace orv::detail
