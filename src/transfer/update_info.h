// The update information the service offers (firmware and the dive-site
// database): its file list, the offered version, and the texts the update
// shows. Pure functions, no I/O.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orv::transfer {

// One file of an update: where to fetch it, what to call the local copy,
// where it goes in the dive computer's memory and how long it must be.
struct UpdateFile {
  int sequence = 0;
  std::string file_path;  // absolute URL
  uint32_t address = 0;
  uint32_t size = 0;
};

// What differs between the two updates.
struct UpdateKind {
  const char* info_file;    // local copy of the information
  const char* list_member;  // member of `response` holding the files
  const char* local_name;   // "%d" is replaced by the file's sequence
  bool send_finish;         // the finish command after the last block
};
inline constexpr UpdateKind kFirmwareUpdate{"features.json", "firmware_files", "data%d.bin", true};
inline constexpr UpdateKind kDiveSiteUpdate{"divesite.json", "divesite_files", "ds%d.bin", false};

// The firmware information needs more than this many bytes to count.
inline constexpr std::size_t kMinFirmwareInfoBytes = 256;
// An update information (a file list and a release note) is a few KiB; a
// reply past this bound is abandoned while it arrives.
inline constexpr std::size_t kMaxUpdateInfoBytes = 1u << 20;

// The file list of `info` (the service envelope) under `response`.`member`.
// Absent when the text is not JSON, the list is missing or not a list, or an
// entry is not an object or carries an address or size that is negative,
// not an integer or beyond 32 bits: writing such an entry would put bytes
// where the service never meant them. Missing `sequence` reads as 0.
std::optional<std::vector<UpdateFile>> ParseUpdateFiles(const std::string& info, const char* member);

struct FirmwareInfo {
  std::string offered_version;  // "1.005"
  std::string release_note;
  std::vector<UpdateFile> files;
};
// The firmware information when usable: more than 256 bytes, JSON, a
// non-empty `firmware_version` and a valid file list. Absent otherwise.
std::optional<FirmwareInfo> ParseFirmwareInfo(const std::string& info);

// "1005" -> "1.005": a point after the first character. Empty stays empty.
std::string OfferedVersion(const std::string& firmware_version);

// `format` with its first two "%s" replaced by `first` and `second` (taken
// as text, never as a format of their own); "%%" becomes "%". The result is
// cut to at most 4096 characters.
std::string FormatTwoTexts(const std::string& format, const std::string& first, const std::string& second);

// The local file name of `file` for `kind` ("data2.bin").
std::string LocalName(const UpdateKind& kind, const UpdateFile& file);

// "%d/%d %d/%d": files started, file count, bytes written, byte total.
std::string ProgressDetail(int started, int count, uint64_t written, uint64_t total);
// Bytes written in percent of the total; 0 while the total is 0.
int ProgressPercent(uint64_t written, uint64_t total);

}  // namespace orv::transfer
