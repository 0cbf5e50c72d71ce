// libcurl settings shared by HttpPost and DownloadToFile (internal to the
// cloud library).
#pragma once

#include <curl/curl.h>

#include <string>

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
// TransferRunner. It looks at the runner's Cancel and at the stop request
// (stop_request.h) every 100 ms, whatever the line does, and is woken at
// once when the thread's current Cancellable is cancelled; it then ends the
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

// True for 127.0.0.0/8, ::1 and "localhost".
bool IsLoopbackHost(const std::string& host);

// The host part of an absolute https URL, brackets of an IPv6 literal removed.
std::string UrlHost(const std::string& url);

}  // namespace orv::detail
