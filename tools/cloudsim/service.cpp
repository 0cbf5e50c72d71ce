#include "service.h"

#include <json/writer.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace orv::sim {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    auto end = text.find(sep, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

bool Match(const std::string& pattern, const std::string& path, std::vector<std::string>& args) {
  auto want = Split(pattern, '/');
  auto have = Split(path, '/');
  if (want.size() != have.size()) return false;
  args.clear();
  for (std::size_t i = 0; i < want.size(); ++i) {
    if (want[i] == "{}")
      args.push_back(PercentDecode(have[i], false));
    else if (want[i] != have[i])
      return false;
  }
  return true;
}

std::string Hex(const std::string& bytes) {
  static const char k[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += k[c >> 4];
    out += k[c & 15];
  }
  return out;
}

}  // namespace

std::optional<Fault> ParseFault(const std::string& name) {
  static const std::map<std::string, Fault> kNames = {
      {"none", Fault::None},         {"empty", Fault::Empty},    {"text", Fault::Text},   {"html500", Fault::Html500},
      {"badcode", Fault::BadCode},   {"nocode", Fault::NoCode},  {"stall", Fault::Stall}, {"drop", Fault::Drop},
      {"offworld", Fault::OffWorld}, {"trickle", Fault::Trickle}};
  auto it = kNames.find(name);
  if (it == kNames.end()) return std::nullopt;
  return it->second;
}

std::string PercentDecode(const std::string& text, bool plus_as_space) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += (c == '+' && plus_as_space) ? ' ' : c;
    }
  }
  return out;
}

std::map<std::string, std::string> ParseForm(const std::string& text) {
  std::map<std::string, std::string> values;
  if (text.empty()) return values;
  for (const std::string& pair : Split(text, '&')) {
    auto eq = pair.find('=');
    std::string key = PercentDecode(pair.substr(0, eq), true);
    std::string value = eq == std::string::npos ? "" : PercentDecode(pair.substr(eq + 1), true);
    values.emplace(std::move(key), std::move(value));  // the first of repeated names wins
  }
  return values;
}

std::string SimRequest::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (key.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; same && i < key.size(); ++i)
      same = std::tolower(static_cast<unsigned char>(key[i])) == std::tolower(static_cast<unsigned char>(name[i]));
    if (same) return value;
  }
  return {};
}

Service::Service(SimDb& db) : db_(db) {
  AddAccountRoutes(*this);
  AddDiveLogRoutes(*this);
  AddSearchRoutes(*this);
  AddControlRoutes(*this);
  AddUpdateRoutes(*this);
  AddUploadRoutes(*this);
  AddSocialRoutes(*this);
}

void Service::SetFault(const std::string& endpoint, Fault fault) {
  std::lock_guard lock(mutex_);
  if (fault == Fault::None)
    faults_.erase(endpoint);
  else
    faults_[endpoint] = fault;
}

bool Service::Stalls(const std::string& endpoint) {
  std::lock_guard lock(mutex_);
  auto it = faults_.find(endpoint);
  return it != faults_.end() && it->second == Fault::Stall;
}

Json::Value Service::LastRequest() {
  std::lock_guard lock(mutex_);
  return last_request_;
}

int Service::Hits(const std::string& name) {
  std::lock_guard lock(mutex_);
  auto it = hits_.find(name);
  return it == hits_.end() ? 0 : it->second;
}

std::optional<std::string> Service::Authorised(const SimRequest& request) {
  std::string header = request.Header("Authorization");
  const std::string prefix = "Bearer ";
  if (header.rfind(prefix, 0) != 0 || header.size() == prefix.size()) return std::nullopt;
  return db_.UserForToken(header.substr(prefix.size()));
}

SimReply Service::Ok(const Json::Value& response) {
  Json::Value envelope;
  envelope["code"] = kCodeOk;
  envelope["response"] = response;
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  writer["emitUTF8"] = true;
  return {200, "application/json", Json::writeString(writer, envelope)};
}

SimReply Service::OkWithText(const char* member, const std::string& json) {
  std::string body = std::string(R"({"code":")") + kCodeOk + R"(","response":{")" + member + "\":";
  body.reserve(body.size() + json.size() + 2);
  body += json;
  body += "}}";
  return {200, "application/json", std::move(body)};
}

SimReply Service::Failure(const char* code) {
  return {200, "application/json", std::string("{\"code\":\"") + code + "\"}"};
}

SimReply Service::Apply(Fault fault) {
  switch (fault) {
    case Fault::Empty:
      return {200, "application/json", ""};
    case Fault::Text:
      return {200, "text/plain", "Service temporarily unavailable"};
    case Fault::Html500:
      return {500, "text/html",
              "<!DOCTYPE html><html><head><title>500 Internal Server Error</title></head>"
              "<body><h1>Internal Server Error</h1></body></html>"};
    case Fault::BadCode:
      return Failure("0000001");
    case Fault::NoCode:
      return {200, "application/json", "{\"response\":{}}"};
    case Fault::Stall:
      return {200, "", "", true};
    case Fault::OffWorld: {
      Json::Value poi;
      poi["poi_id"] = "offworld";
      poi["poi_name"] = "Off the map";
      poi["poi_region"] = "Nowhere";
      poi["gps_location"]["latitude"] = 200.0;
      poi["gps_location"]["longitude"] = -400.5;
      Json::Value response;
      response["pois"].append(poi);
      return Ok(response);
    }
    case Fault::Drop: {
      SimReply dropped;
      dropped.drop = true;
      return dropped;
    }
    case Fault::Trickle:  // the route answers, slowly (Dispatch)
    case Fault::None:
      break;
  }
  return {};
}

namespace {

// ORVELLE_CLOUDSIM_REQUEST_LOG names a file that receives one line per
// request (method, target, body length and an FNV-1a hash of the body), so
// two runs of the same tests can be compared for what the service received.
void LogRequest(const SimRequest& request) {
  static FILE* log = [] {
    const char* path = std::getenv("ORVELLE_CLOUDSIM_REQUEST_LOG");
    return path && *path ? std::fopen(path, "a") : nullptr;
  }();
  if (!log) return;
  uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : request.body) hash = (hash ^ c) * 1099511628211ull;
  std::fprintf(log, "%s %s %zu %016llx\n", request.method.c_str(), request.target.c_str(), request.body.size(),
               static_cast<unsigned long long>(hash));
  std::fflush(log);
}

}  // namespace

SimReply Service::Dispatch(SimRequest request) {
  auto question = request.target.find('?');
  request.path = request.target.substr(0, question);
  if (question != std::string::npos) request.query = ParseForm(request.target.substr(question + 1));
  if (request.Header("Content-Type").rfind("application/x-www-form-urlencoded", 0) == 0)
    request.form = ParseForm(request.body);

  std::lock_guard lock(mutex_);
  bool control = request.path.rfind("/_sim/", 0) == 0 || request.path.rfind("/static/", 0) == 0;
  if (!control) LogRequest(request);
  if (!control) {
    Json::Value record;
    record["method"] = request.method;
    record["target"] = request.target;
    for (const auto& [key, value] : request.headers) record["headers"].append(key + ": " + value);
    record["body"] = request.body;
    record["body_hex"] = Hex(request.body);
    last_request_ = record;
  }
  std::vector<std::string> args;
  for (Route& route : routes_) {
    if (route.method != request.method || !Match(route.pattern, request.path, args)) continue;
    if (!control) {
      ++hits_[route.name];
      // "divelog/d000007" names one record, so one dive can fail among many.
      auto fault = args.empty() ? faults_.end() : faults_.find(route.name + "/" + args[0]);
      if (fault == faults_.end()) fault = faults_.find(route.name);
      if (fault == faults_.end()) fault = faults_.find("*");
      if (fault != faults_.end() && fault->second == Fault::Trickle) {
        SimReply slow = route.handler(*this, request, args);
        slow.trickle = true;
        return slow;
      }
      if (fault != faults_.end()) {
        SimReply reply = Apply(fault->second);
        if (reply.stall) reply.stall_fault = fault->first;
        return reply;
      }
    }
    return route.handler(*this, request, args);
  }
  SimReply missing = Failure(kCodeNotFound);
  missing.status = 404;
  return missing;
}

}  // namespace orv::sim
