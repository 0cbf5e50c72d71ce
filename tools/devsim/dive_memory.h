// The dive-log memory of the simulated dive computer: a directory block, one
// 64-byte header per dive and the depth samples, laid out as docs/device.md
// ("Dive-log memory") describes. The service reads it in the upload relay.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "memory_image.h"

namespace orv::devsim {

inline constexpr uint32_t kLogDirectoryBlock = 0x200000;
inline constexpr uint32_t kLogHeaderArea = 0x201000;   // 256 slots of 64 bytes
inline constexpr uint32_t kLogProfileArea = 0x210000;  // samples, up to 0x300000
inline constexpr uint32_t kLogProfileEnd = 0x300000;
inline constexpr uint32_t kLogHeaderSize = 64;
inline constexpr uint32_t kLogSampleSize = 4;
inline constexpr uint32_t kLogMaxDives = 255;  // directory entries that fit the block

struct LogEvent {
  uint16_t time = 0;  // seconds from the start
  uint8_t code = 0;
  uint8_t value = 0;
};

struct LogSample {
  uint16_t depth_cm = 0;
  int16_t temp_dc = 0;  // 0.1 °C
};

// One dive as the device records it.
struct DeviceDive {
  uint16_t number = 0;
  uint8_t mode = 0;   // 0 scuba, 1 gauge, 2 free
  uint8_t water = 0;  // 0 sea, 1 fresh
  uint32_t start_utc = 0;
  int16_t timezone = 0;  // minutes; local = UTC - timezone × 60
  uint16_t duration = 0;
  uint16_t max_depth_cm = 0, avg_depth_cm = 0;
  int16_t min_temp_dc = 0, air_temp_dc = 0;
  uint16_t surface_mbar = 1013;
  uint16_t interval = 10;
  uint8_t o2 = 21;
  uint16_t tank_start_bar = 0, tank_end_bar = 0;
  std::vector<LogEvent> events;  // at most 4 are stored
  std::vector<LogSample> samples;
};

// One dive's header (naming `profile_addr`) followed by its samples: the
// bytes the upload relay posts for it.
std::vector<uint8_t> EncodeDiveRecord(const DeviceDive& dive, uint32_t profile_addr = kLogProfileArea);
// A dive sampled every `interval` seconds along (time s, depth m) corners,
// with a thermocline below 12 m; depth and temperature summaries filled in.
DeviceDive ShapeDive(uint8_t mode, uint16_t interval, const std::vector<std::pair<double, double>>& corners,
                     double surface_c);

// Writes `dives` (at most kLogMaxDives) into the image: directory, headers,
// profiles. False when they do not fit the profile area.
bool WriteDiveMemory(MemoryImage& image, const std::vector<DeviceDive>& dives);
// The dives a new simulated device holds: a three-day trip in July 2024 and
// a weekend in August 2024, scuba, gauge and freedives.
std::vector<DeviceDive> SampleDives();

}  // namespace orv::devsim
