// libcurl settings shared by HttpPost and DownloadToFile (internal to the
// cloud library).
#pragma once

#include <curl/curl.h>

#include <string>

namespace orv::detail {

// Once per process, before the first handle.
void EnsureCurlGlobal();

// HTTPS only (redirects too), certificate and host checks on, the extra CA of
// a local service, proxy from the environment (never for loopback), the
// connect time-out and the stall abort of the service configuration.
void ApplyTransportOptions(CURL* curl, const std::string& url_host);

// True for 127.0.0.0/8, ::1 and "localhost".
bool IsLoopbackHost(const std::string& host);

// The host part of an absolute https URL, brackets of an IPv6 literal removed.
std::string UrlHost(const std::string& url);

}  // namespace orv::detail
