#include "cloud/service_config.h"

#ifndef ORVELLE_SERVICE_HOST_NAME
#define ORVELLE_SERVICE_HOST_NAME "api.orvelle-tessaro.com"
#endif

namespace orv {

ServiceConfig& Service() {
  static ServiceConfig config = [] {
    ServiceConfig c;
    c.host = ORVELLE_SERVICE_HOST_NAME;
    return c;
  }();
  return config;
}

namespace {

bool ParsePort(const std::string& text, int& port) {
  if (text.empty() || text.size() > 5) return false;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 65535) return false;
  port = value;
  return true;
}

}  // namespace

bool OverrideService(const std::string& host_port, const std::string& ca_file) {
  ServiceConfig next = Service();
  if (!host_port.empty()) {
    std::string host = host_port;
    std::string port_text;
    if (host_port.front() == '[') {  // [v6]:port
      auto close = host_port.find(']');
      if (close == std::string::npos) return false;
      host = host_port.substr(1, close - 1);
      std::string rest = host_port.substr(close + 1);
      if (!rest.empty()) {
        if (rest.front() != ':') return false;
        port_text = rest.substr(1);
        if (port_text.empty()) return false;
      }
    } else if (auto colon = host_port.find(':'); colon != std::string::npos) {
      if (host_port.find(':', colon + 1) != std::string::npos) {
        host = host_port;  // bare IPv6 literal, no port
      } else {
        host = host_port.substr(0, colon);
        port_text = host_port.substr(colon + 1);
        if (port_text.empty()) return false;
      }
    }
    if (host.empty()) return false;
    for (char c : host)
      if (c == '/' || c == '@' || c == '?' || c == '#' || c == ' ' || c == '[' || c == ']') return false;
    next.host = host;
    next.port = 8443;
    if (!port_text.empty() && !ParsePort(port_text, next.port)) return false;
  }
  if (!ca_file.empty()) next.ca_file = ca_file;
  Service() = next;
  return true;
}

std::string ServiceOrigin() {
  const ServiceConfig& s = Service();
  bool v6 = s.host.find(':') != std::string::npos;
  return "https://" + (v6 ? "[" + s.host + "]" : s.host) + ":" + std::to_string(s.port);
}

}  // namespace orv
