// The update information and the update files the dive computer is offered:
//   GET /api/v1/devices/firmwareUpdate?model=Q7   firmware information
//   GET /api/v1/devices/divesites?model=Q7        dive-site database information
//   GET /files/updates/{name}                     the files those name
//   POST /_sim/updates  mode=...   test switch for the files and the information (below)
//
// The files are made up here from a fixed seed (never a real product's
// image), so a test can recompute exactly what the device must end up with.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <iterator>

#include "service.h"
#include "update_catalogue.h"

namespace orv::sim {

namespace {

struct OfferedFile {
  const char* name;
  int sequence;
  uint32_t address;
  uint32_t size;
};

// Listed in the order the device must take them; the sequence numbers only
// name the local copies.
constexpr OfferedFile kFirmwareFiles[] = {
    {"data2.bin", 2, kUpdateFirmwareAddress, 10000},
    {"data1.bin", 1, kUpdateFirmwareAddress + 0x10000, 8192},
};
constexpr OfferedFile kDiveSiteFiles[] = {
    {"ds1.bin", 1, kUpdateDiveSiteAddress, 8192},
};

// normal: files as listed; short: the last file of each list 100 bytes
// shorter than its `size` (so a client that writes as it goes has already
// written the others); unreachable: `file_path` points at a closed port;
// status500: the last file's bytes, all of them, under an error status; cut:
// the last file's full length announced, the connection closed 100 bytes
// before its end; oversize: the last file 500 times its listed size, that
// length announced; endless: the last file's bytes and then more without
// end; slow: the last file at 2 KiB a second. The info modes change both
// information replies instead: info_endless never ends, info_huge announces
// 2 MiB of valid JSON, info_nested opens arrays 100,000 deep.
enum class FileMode { Normal, Short, Unreachable, Status500, Cut, Oversize, Endless, Slow };
enum class InfoMode { Normal, Endless, Huge, Nested };
std::atomic<FileMode> g_mode{FileMode::Normal};
std::atomic<InfoMode> g_info{InfoMode::Normal};

// The information reply as the info mode has it.
SimReply InfoReply(const Json::Value& response) {
  SimReply reply = Service::Ok(response);
  switch (g_info.load()) {
    case InfoMode::Normal:
      break;
    case InfoMode::Endless:
      reply.body = "{\"code\":\"0000000\",\"response\":{\"release_note\":\"";
      reply.filler = "never ending ";
      break;
    case InfoMode::Huge:
      reply.body.insert(reply.body.size() - 1, ",\"pad\":\"" + std::string(2u << 20, 'x') + "\"");
      break;
    case InfoMode::Nested:
      reply.body = std::string(100000, '[') + std::string(100000, ']');
      break;
  }
  return reply;
}

const OfferedFile* FindFile(const std::string& name) {
  for (const auto& f : kFirmwareFiles)
    if (name == f.name) return &f;
  for (const auto& f : kDiveSiteFiles)
    if (name == f.name) return &f;
  return nullptr;
}

Json::Value FileList(const Service& s, const OfferedFile* begin, const OfferedFile* end) {
  const std::string base = g_mode.load() == FileMode::Unreachable ? "https://127.0.0.1:1" : s.origin;
  Json::Value list(Json::arrayValue);
  for (const OfferedFile* f = begin; f != end; ++f) {
    Json::Value item;
    item["sequence"] = f->sequence;
    item["file_path"] = base + "/files/updates/" + f->name;
    item["address"] = f->address;
    item["size"] = f->size;
    list.append(item);
  }
  return list;
}

SimReply FirmwareInfo(Service& s, const SimRequest&, const std::vector<std::string>&) {
  Json::Value response;
  response["firmware_version"] = kUpdateFirmwareVersion;
  response["release_note"] =
      "Smoother ascent-rate bar, a clearer gauge mode stopwatch and longer battery life in "
      "standby. Please charge the dive computer before updating.";
  response["firmware_files"] = FileList(s, std::begin(kFirmwareFiles), std::end(kFirmwareFiles));
  return InfoReply(response);
}

SimReply DiveSiteInfo(Service& s, const SimRequest&, const std::vector<std::string>&) {
  Json::Value response;
  response["divesite_files"] = FileList(s, std::begin(kDiveSiteFiles), std::end(kDiveSiteFiles));
  return InfoReply(response);
}

SimReply UpdateFile(Service&, const SimRequest&, const std::vector<std::string>& args) {
  const OfferedFile* f = FindFile(args.at(0));
  if (!f) {
    SimReply missing = Service::Failure(kCodeNotFound);
    missing.status = 404;
    return missing;
  }
  std::string bytes = UpdateFileBytes(f->name, f->size);
  bool last =
      f == &kFirmwareFiles[std::size(kFirmwareFiles) - 1] || f == &kDiveSiteFiles[std::size(kDiveSiteFiles) - 1];
  SimReply reply{200, "application/octet-stream", {}};
  const FileMode mode = last ? g_mode.load() : FileMode::Normal;
  if (mode == FileMode::Status500) reply.status = 500;
  if (mode == FileMode::Cut) reply.announced = bytes.size();
  if (mode == FileMode::Short || mode == FileMode::Cut) bytes.resize(bytes.size() > 100 ? bytes.size() - 100 : 0);
  if (mode == FileMode::Oversize) bytes = UpdateFileBytes(f->name, std::size_t{f->size} * 500);
  if (mode == FileMode::Endless) reply.filler = bytes;
  if (mode == FileMode::Slow) reply.pace_bytes = 100;
  reply.body = std::move(bytes);
  return reply;
}

SimReply SetMode(Service&, const SimRequest& r, const std::vector<std::string>&) {
  auto it = r.form.find("mode");
  std::string mode = it == r.form.end() ? "" : it->second;
  if (mode == "normal") {
    g_mode = FileMode::Normal;
    g_info = InfoMode::Normal;
  } else if (mode == "short")
    g_mode = FileMode::Short;
  else if (mode == "unreachable")
    g_mode = FileMode::Unreachable;
  else if (mode == "status500")
    g_mode = FileMode::Status500;
  else if (mode == "cut")
    g_mode = FileMode::Cut;
  else if (mode == "oversize")
    g_mode = FileMode::Oversize;
  else if (mode == "endless")
    g_mode = FileMode::Endless;
  else if (mode == "slow")
    g_mode = FileMode::Slow;
  else if (mode == "info_normal")
    g_info = InfoMode::Normal;
  else if (mode == "info_endless")
    g_info = InfoMode::Endless;
  else if (mode == "info_huge")
    g_info = InfoMode::Huge;
  else if (mode == "info_nested")
    g_info = InfoMode::Nested;
  else
    return {400, "text/plain", "bad mode\n"};
  return {200, "text/plain", "ok\n"};
}

}  // namespace

std::string UpdateFileBytes(const std::string& name, std::size_t size) {
  // FNV-1a of the name seeds a xorshift generator: stable across runs and
  // different for every file, so a block written to the wrong place shows.
  uint32_t state = 2166136261u;
  for (unsigned char c : name) state = (state ^ c) * 16777619u;
  if (state == 0) state = 1;
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    bytes[i] = static_cast<char>(state & 0xFF);
  }
  if (name == "data2.bin" && size >= 14) {
    const std::string version = std::string(kUpdateFirmwareVersion).insert(1, ".");
    bytes.replace(0, 8, kFirmwareVersionMark);
    for (std::size_t i = 0; i < 6; ++i) bytes[8 + i] = i < version.size() ? version[i] : '\0';
  }
  return bytes;
}

void AddUpdateRoutes(Service& service) {
  service.AddRoute({"GET", "/api/v1/devices/firmwareUpdate", "firmware_update", FirmwareInfo});
  service.AddRoute({"GET", "/api/v1/devices/divesites", "divesite_update", DiveSiteInfo});
  service.AddRoute({"GET", "/files/updates/{}", "update_file", UpdateFile});
  service.AddRoute({"POST", "/_sim/updates", "_updates", SetMode});
}

}  // namespace orv::sim
