// The upload relay, service side (docs/service.md, "Uploading dives"). The
// program knows nothing of the device's memory; these handlers tell it which
// ranges to read and under which command to post them:
//
//   headerInfo       -> phase 1: one "logDirectory" step reading the directory block
//   logDirectory     -> phase 2: one "addDivelogs" step per dive not yet stored
//   addDivelogs (v2) -> the dive record parsed and stored; nothing further
#include <json/writer.h>

#include <algorithm>

#include "dive_record.h"
#include "service.h"

namespace orv::sim {

namespace {

constexpr char kCodeUnknownDevice[] = "4000001";
constexpr uint32_t kBlock = 4096;

#define ORV_REQUIRE_USER(s, r)      \
  auto user_id = (s).Authorised(r); \
  if (!user_id) return Service::Failure(kCodeNoToken)

Json::Value Range(uint32_t addr, uint32_t size) {
  Json::Value r;
  r["addr"] = static_cast<Json::UInt>(addr);
  r["size"] = static_cast<Json::UInt>(size);
  return r;
}

Json::Value Phase(const Json::Value& steps, int64_t total) {
  Json::Value response;
  response["tknum"] = steps.size();
  response["total"] = static_cast<Json::Int64>(total);
  response["spi"] = steps;
  return response;
}

// The device families this service knows the memory of.
bool KnownModel(const SimRequest& r) {
  auto model = r.query.find("model");
  return model != r.query.end() && model->second == "Q7";
}

// `length` in the query must match the bytes that arrived: a cut body is
// refused rather than parsed.
bool LengthMatches(const SimRequest& r) {
  auto length = r.query.find("length");
  return length != r.query.end() && length->second == std::to_string(r.body.size());
}

SimReply HeaderInfo(Service& s, const SimRequest& r, const std::vector<std::string>&) {
  ORV_REQUIRE_USER(s, r);
  if (!KnownModel(r)) return Service::Failure(kCodeUnknownDevice);
  Json::Value step;
  step["command"] = "logDirectory";
  step["cb_send"] = kDirectorySize;
  step["flash"].append(Range(kDirectoryAddr, kDirectorySize));
  Json::Value steps(Json::arrayValue);
  steps.append(step);
  return Service::Ok(Phase(steps, kDirectorySize));
}

// One step per dive the diver's account does not hold yet: the header, then
// the samples in ranges of at most one block.
SimReply LogDirectory(Service& s, const SimRequest& r, const std::string& user_id) {
  auto entries = ParseDirectory(r.body);
  if (!entries) {
    // Erased or foreign memory: nothing logged on this device.
    return Service::Ok(Phase(Json::Value(Json::arrayValue), 0));
  }
  Json::Value steps(Json::arrayValue);
  int64_t total = 0;
  for (const DirectoryEntry& e : *entries) {
    auto stored = s.db().Log(DeviceDiveId(e.start_utc, e.number));
    if (stored && stored->user_id == user_id) continue;
    Json::Value step;
    step["command"] = "addDivelogs";
    step["cb_send"] = static_cast<Json::UInt>(kHeaderSize + e.profile_length);
    step["flash"].append(Range(e.header_addr(), kHeaderSize));
    for (uint32_t done = 0; done < e.profile_length; done += kBlock)
      step["flash"].append(Range(e.profile_addr + done, std::min(kBlock, e.profile_length - done)));
    total += kHeaderSize + e.profile_length;
    steps.append(step);
  }
  return Service::Ok(Phase(steps, total));
}

SimReply AddDiveLog(Service& s, const SimRequest& r, const std::string& user_id) {
  auto log = ParseDiveRecord(r.body);
  if (!log) return Service::Failure(kCodeBadRequest);
  const auto start = static_cast<uint32_t>((*log)["dive_datetime"].asInt64());
  const auto number = static_cast<uint16_t>((*log)["device_dive_number"].asUInt());
  const std::string id = DeviceDiveId(start, number);
  auto existing = s.db().Log(id);
  if (existing && existing->user_id != user_id) return Service::Failure(kCodeForbidden);
  (*log)["divelog_id"] = id;
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  StoredLog stored{
      id, user_id, start, (*log)["timezone"].asInt(), (*log)["dive_type"].asString(), Json::writeString(writer, *log)};
  if (!s.db().PutLog(stored)) return Service::Failure(kCodeBadRequest);
  Json::Value response = Phase(Json::Value(Json::arrayValue), 0);
  response["divelog_id"] = id;
  return Service::Ok(response);
}

SimReply DeviceStep(Service& s, const SimRequest& r, const std::vector<std::string>& args, bool v2) {
  ORV_REQUIRE_USER(s, r);
  if (!KnownModel(r)) return Service::Failure(kCodeUnknownDevice);
  if (!LengthMatches(r)) return Service::Failure(kCodeBadRequest);
  const std::string& command = args.at(0);
  // addDivelogs lives on v2 only; the v1 name is an older, retired format.
  if (v2 && command == "addDivelogs") return AddDiveLog(s, r, *user_id);
  if (!v2 && command == "logDirectory") return LogDirectory(s, r, *user_id);
  return Service::Failure(kCodeNotFound);
}

}  // namespace

void AddUploadRoutes(Service& service) {
  service.AddRoute({"GET", "/api/v1/devices/headerInfo", "header_info", HeaderInfo});
  service.AddRoute(
      {"POST", "/api/v1/devices/{}", "upload_step",
       [](Service& s, const SimRequest& r, const std::vector<std::string>& a) { return DeviceStep(s, r, a, false); }});
  service.AddRoute(
      {"POST", "/api/v2/devices/{}", "upload_dives",
       [](Service& s, const SimRequest& r, const std::vector<std::string>& a) { return DeviceStep(s, r, a, true); }});
}

}  // namespace orv::sim
