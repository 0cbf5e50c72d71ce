// Where the cloud service lives. The host is fixed when the program is built;
// a local service (orvelle-cloudsim, tests) replaces host, port and CA at run
// time through an explicit option or the environment (app/environment.h),
// never silently.
#pragma once

#include <string>

namespace orv {

struct ServiceConfig {
  std::string host;  // host name or IP literal (IPv6 without brackets)
  int port = 8443;
  std::string ca_file;  // extra trusted CA (PEM) for a local service; empty = system CAs only
  int connect_timeout_ms = 5000;
  // Every transfer has an end: an API request gives up after this long in
  // all, so even a server trickling a byte a second cannot hold it.
  int request_timeout_ms = 20000;
  // A transfer moving less than its floor for this long is abandoned: one
  // byte a second for API requests, `download_min_bytes_per_s` for files.
  int stall_seconds = 15;
  int download_min_bytes_per_s = 1024;
};

// The process-wide configuration every service call uses; starts with the
// built-in host on port 8443.
ServiceConfig& Service();

// Applies a "host[:port]" override (IPv6 as "[addr]:port") and a CA file.
// Empty texts leave the current values. False, with nothing changed, when the
// override is malformed (empty host, port not 1..65535).
bool OverrideService(const std::string& host_port, const std::string& ca_file);

// "https://host:port" of the configured service (IPv6 literals bracketed).
std::string ServiceOrigin();

}  // namespace orv
