// Test switches and helpers of the simulator (not part of the real service):
//   POST /_sim/fault   endpoint=NAME&mode=none|empty|text|html500|badcode|nocode|stall|drop|offworld|trickle
//                      (NAME/ID for one resource, such as divelog/d000007)
//   GET  /_sim/last    the last request to a service endpoint, as JSON
//   GET  /_sim/hits?endpoint=NAME       how many requests reached it, as text
//   GET  /_sim/peer    the client's port of this request's connection
//   GET  /_sim/raw?status=N&hex=BYTES[&announce=N]   answers exactly those
//        bytes (announcing N of them and closing after the bytes, when more)
//   GET  /static/avatar.svg             the demo diver's picture
//   POST /_sim/tiles  mode=serve|stall|stop   the tile server's behaviour
//   GET  /_sim/tiles  "<mode> <tile requests so far>"
#include <json/writer.h>

#include <cstdlib>

#include "service.h"

namespace orv::sim {

namespace {

std::string Value(const std::map<std::string, std::string>& m, const char* name) {
  auto it = m.find(name);
  return it == m.end() ? std::string() : it->second;
}

SimReply SetFault(Service& s, const SimRequest& r, const std::vector<std::string>&) {
  auto fault = ParseFault(Value(r.form, "mode"));
  std::string endpoint = Value(r.form, "endpoint");
  if (!fault || endpoint.empty()) return {400, "text/plain", "bad fault\n"};
  s.SetFault(endpoint, *fault);
  return {200, "text/plain", "ok\n"};
}

SimReply Last(Service& s, const SimRequest&, const std::vector<std::string>&) {
  Json::StreamWriterBuilder writer;
  return {200, "application/json", Json::writeString(writer, s.LastRequest())};
}

SimReply Hits(Service& s, const SimRequest& r, const std::vector<std::string>&) {
  return {200, "text/plain", std::to_string(s.Hits(Value(r.query, "endpoint"))) + "\n"};
}

SimReply Peer(Service&, const SimRequest& r, const std::vector<std::string>&) {
  return {200, "text/plain", std::to_string(r.peer_port) + "\n"};
}

SimReply Raw(Service&, const SimRequest& r, const std::vector<std::string>&) {
  std::string hex = Value(r.query, "hex"), bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16));
  int status = std::atoi(Value(r.query, "status").c_str());
  SimReply reply{status >= 100 && status < 600 ? status : 200, "application/octet-stream", bytes};
  reply.announced = std::strtoul(Value(r.query, "announce").c_str(), nullptr, 10);
  return reply;
}

SimReply Avatar(Service&, const SimRequest&, const std::vector<std::string>&) {
  return {200, "image/svg+xml",
          "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 64 64'>"
          "<circle cx='32' cy='32' r='32' fill='#0b6fa4'/>"
          "<circle cx='32' cy='25' r='11' fill='#e8f4fb'/>"
          "<path d='M12 54c4-11 12-16 20-16s16 5 20 16' fill='#e8f4fb'/></svg>"};
}

SimReply Tiles(Service& s, const SimRequest& r, const std::vector<std::string>&) {
  std::string mode = r.method == "POST" ? Value(r.form, "mode") : "";
  std::string status = s.tile_control && (r.method == "GET" || !mode.empty()) ? s.tile_control(mode) : "";
  if (status.empty()) return {400, "text/plain", "no such tile mode\n"};
  return {200, "text/plain", status};
}

}  // namespace

void AddControlRoutes(Service& service) {
  service.AddRoute({"POST", "/_sim/fault", "_fault", SetFault});
  service.AddRoute({"GET", "/_sim/last", "_last", Last});
  service.AddRoute({"GET", "/_sim/hits", "_hits", Hits});
  service.AddRoute({"GET", "/_sim/peer", "_peer", Peer});
  service.AddRoute({"GET", "/_sim/raw", "_raw", Raw});
  service.AddRoute({"GET", "/static/avatar.svg", "_avatar", Avatar});
  service.AddRoute({"GET", "/_sim/tiles", "_tiles", Tiles});
  service.AddRoute({"POST", "/_sim/tiles", "_tiles", Tiles});
}

}  // namespace orv::sim
