// Reading what the dive computer's memory holds, as the upload relay posts
// it: the log directory block and the per-dive records (64-byte header
// followed by the depth samples). The layout is docs/device.md's
// "Dive-log memory"; every length and count is checked against the bytes
// actually received, so a short or hostile body yields nothing.
#pragma once

#include <json/value.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv::sim {

inline constexpr uint32_t kDirectoryAddr = 0x200000;
inline constexpr uint32_t kDirectorySize = 4096;
inline constexpr uint32_t kHeaderAreaAddr = 0x201000;
inline constexpr uint32_t kHeaderSize = 64;
inline constexpr uint32_t kSampleSize = 4;
inline constexpr uint32_t kProfileAreaAddr = 0x210000;
inline constexpr uint32_t kProfileAreaEnd = 0x300000;

struct DirectoryEntry {
  uint32_t start_utc = 0;
  uint32_t profile_addr = 0;
  uint32_t profile_length = 0;
  uint16_t number = 0;
  uint8_t mode = 0;
  uint8_t slot = 0;
  uint32_t header_addr() const { return kHeaderAreaAddr + uint32_t{slot} * kHeaderSize; }
};

// The directory's entries; nullopt when the block is not a log directory.
// Entries whose profile lies outside the profile area are dropped.
std::optional<std::vector<DirectoryEntry>> ParseDirectory(std::string_view block);

// One dive record (header + samples) as a dive log object without
// `divelog_id`; nullopt when the record is inconsistent or truncated.
std::optional<Json::Value> ParseDiveRecord(std::string_view record);

// The service's id of a device dive: the same dive uploaded again maps to the
// same log.
std::string DeviceDiveId(uint32_t start_utc, uint16_t number);

}  // namespace orv::sim
