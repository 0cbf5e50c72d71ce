// The simulated cloud service, independent of the HTTP server: requests come
// in as SimRequest, answers go out as SimReply, so the handlers can be tested
// without a socket. Routes are grouped by endpoint family; a new family (the
// device upload and update endpoints) is one more Add...Routes function.
#pragma once

#include <json/value.h>

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim_db.h"

namespace orv::sim {

struct SimRequest {
  std::string method;
  std::string target;  // as sent: path and query, still percent-encoded
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  int peer_port = 0;  // the client's end of the connection

  // Filled by Service::Dispatch from the above.
  std::string path;                                   // still encoded; segments are decoded on match
  std::map<std::string, std::string> query;           // decoded
  std::map<std::string, std::string> form;            // decoded, for form bodies
  std::string Header(const std::string& name) const;  // case-insensitive, "" when absent
};

struct SimReply {
  int status = 200;
  std::string content_type = "application/json";
  std::string body;
  bool stall = false;         // the server must not answer at all
  std::string stall_fault{};  // the switch that stalls it: the stall ends when it is cleared
  bool trickle = false;       // the body goes out one byte every 0.9 s
  // The connection is closed once the request has been read, without a byte
  // of answer (a keep-alive connection the server gave up on).
  bool drop = false;
  // Above body.size(): this Content-Length is announced, the body sent, and
  // the connection closed before the rest.
  std::size_t announced = 0;
  // The body, then `filler` repeated without end (chunked, no length) until
  // the client gives up: a reply that never stops growing.
  std::string filler{};
  // Above 0: the body (and filler) go out this many bytes every 50 ms.
  std::size_t pace_bytes = 0;
};

// Test switches: how a named endpoint misbehaves.
// OffWorld answers a catalogue search with one site whose position lies off
// the world (latitude 200, longitude -400.5).
enum class Fault { None, Empty, Text, Html500, BadCode, NoCode, Stall, Drop, OffWorld, Trickle };
std::optional<Fault> ParseFault(const std::string& name);

class Service;
using Handler = std::function<SimReply(Service&, const SimRequest&, const std::vector<std::string>& args)>;

struct Route {
  std::string method;
  std::string pattern;  // "/api/v1/divelogs/divelog/{}": {} matches one segment
  std::string name;     // endpoint name used by the test switches
  Handler handler;
};

// Percent-decoding; `plus_as_space` for form values.
std::string PercentDecode(const std::string& text, bool plus_as_space);
std::map<std::string, std::string> ParseForm(const std::string& text);

class Service {
 public:
  explicit Service(SimDb& db);

  SimReply Dispatch(SimRequest request);
  void SetFault(const std::string& endpoint, Fault fault);
  // Whether the switch `endpoint` still stalls its requests.
  bool Stalls(const std::string& endpoint);
  void AddRoute(Route route) { routes_.push_back(std::move(route)); }

  // Helpers for handlers.
  SimDb& db() { return db_; }
  std::optional<std::string> Authorised(const SimRequest& request);  // user id of the bearer token
  static SimReply Ok(const Json::Value& response);
  // Ok with a response of one member, `json` being that member's value as
  // JSON text already (a stored dive, sent as stored).
  static SimReply OkWithText(const char* member, const std::string& json);
  static SimReply Failure(const char* code);
  // Origin the service is reached at (for absolute URLs in replies).
  std::string origin;
  // The tile server's switch: a mode ("serve", "stall", "stop") or "" to
  // ask; its status line, or "" for a mode it does not know. Unset when the
  // simulator runs without a tile server.
  std::function<std::string(const std::string& mode)> tile_control;
  // The last request to a service endpoint, for the tests (JSON object).
  Json::Value LastRequest();
  // How many requests reached the endpoint `name` (faulted ones included).
  int Hits(const std::string& name);

 private:
  SimReply Apply(Fault fault);

  SimDb& db_;
  std::vector<Route> routes_;
  std::map<std::string, Fault> faults_;
  std::map<std::string, int> hits_;
  Json::Value last_request_;
  std::recursive_mutex mutex_;
};

// Reply codes of the simulated service (seven characters each).
constexpr char kCodeOk[] = "0000000";
constexpr char kCodeBadLogin[] = "2000001";
constexpr char kCodeBadRequest[] = "4000000";
constexpr char kCodeNoToken[] = "4010000";
constexpr char kCodeForbidden[] = "4030000";
constexpr char kCodeNotFound[] = "4040000";

// Route families.
void AddAccountRoutes(Service& service);
void AddDiveLogRoutes(Service& service);
void AddSearchRoutes(Service& service);
void AddControlRoutes(Service& service);
void AddUpdateRoutes(Service& service);
void AddUploadRoutes(Service& service);
void AddSocialRoutes(Service& service);

}  // namespace orv::sim
