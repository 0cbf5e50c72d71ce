#include "transfer/update_info.h"

#include <json/value.h>

#include <limits>

#include "cloud/json_read.h"

namespace orv::transfer {

namespace {

bool ParseJson(const std::string& text, Json::Value& root) {
  return ParseOutsideJson(text, root, JsonStrictness::Lenient);
}

// An unsigned 32-bit member; absent when it is there but not such a number.
// A missing member reads as 0, as every missing number of the service does.
std::optional<uint32_t> ReadU32(const Json::Value& entry, const char* name) {
  const Json::Value& v = JsonMember(entry, name);
  if (v.isNull()) return 0u;
  if (!v.isIntegral() || !v.isUInt64() || v.asUInt64() > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  return static_cast<uint32_t>(v.asUInt64());
}

std::optional<std::vector<UpdateFile>> FilesOf(const Json::Value& root, const char* member) {
  const Json::Value& list = JsonMember(JsonMember(root, "response"), member);
  if (!list.isArray()) return std::nullopt;
  std::vector<UpdateFile> files;
  for (const Json::Value& entry : list) {
    if (!entry.isObject()) return std::nullopt;
    auto address = ReadU32(entry, "address");
    auto size = ReadU32(entry, "size");
    if (!address || !size) return std::nullopt;
    UpdateFile file;
    file.sequence = JsonInt(entry, "sequence");
    file.file_path = JsonText(entry, "file_path");
    file.address = *address;
    file.size = *size;
    files.push_back(std::move(file));
  }
  return files;
}

// Bytes of the UTF-8 sequence starting with `lead`.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

}  // namespace

std::optional<std::vector<UpdateFile>> ParseUpdateFiles(const std::string& info, const char* member) {
  Json::Value root;
  if (!ParseJson(info, root)) return std::nullopt;
  return FilesOf(root, member);
}

std::optional<FirmwareInfo> ParseFirmwareInfo(const std::string& info) {
  if (info.size() <= kMinFirmwareInfoBytes) return std::nullopt;
  Json::Value root;
  if (!ParseJson(info, root)) return std::nullopt;
  const Json::Value& response = JsonMember(root, "response");
  FirmwareInfo result;
  // The service has sent the version both as text and as a number.
  const Json::Value& version = JsonMember(response, "firmware_version");
  std::string digits = version.isString()   ? version.asString()
                       : version.isUInt64() ? std::to_string(version.asUInt64())
                                            : std::string();
  result.offered_version = OfferedVersion(digits);
  if (result.offered_version.empty()) return std::nullopt;
  result.release_note = JsonText(response, "release_note");
  auto files = FilesOf(root, kFirmwareUpdate.list_member);
  if (!files) return std::nullopt;
  result.files = std::move(*files);
  return result;
}

std::string OfferedVersion(const std::string& firmware_version) {
  if (firmware_version.empty()) return {};
  return firmware_version.substr(0, 1) + "." + firmware_version.substr(1);
}

std::string FormatTwoTexts(const std::string& format, const std::string& first, const std::string& second) {
  std::string out;
  int used = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      char next = format[i + 1];
      if (next == '%') {
        out += '%';
        ++i;
        continue;
      }
      if (next == 's' && used < 2) {
        out += used++ == 0 ? first : second;
        ++i;
        continue;
      }
    }
    out += format[i];
  }
  // At most 4096 characters, never cutting one in half.
  std::size_t pos = 0;
  for (int chars = 0; pos < out.size() && chars < 4096; ++chars)
    pos += SequenceLength(static_cast<unsigned char>(out[pos]));
  out.resize(std::min(pos, out.size()));
  return out;
}

std::string LocalName(const UpdateKind& kind, const UpdateFile& file) {
  std::string name = kind.local_name;
  auto at = name.find("%d");
  if (at != std::string::npos) name.replace(at, 2, std::to_string(file.sequence));
  return name;
}

std::string ProgressDetail(int started, int count, uint64_t written, uint64_t total) {
  return std::to_string(started) + "/" + std::to_string(count) + " " + std::to_string(written) + "/" +
         std::to_string(total);
}

int ProgressPercent(uint64_t written, uint64_t total) {
  if (total == 0) return 0;
  return static_cast<int>(written * 100 / total);
}

}  // namespace orv::transfer
