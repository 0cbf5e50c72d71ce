#include "dive_record.h"

#include <cstdio>
#include <cstring>

namespace orv::sim {

namespace {

uint16_t U16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}
int16_t S16(std::string_view b, size_t at) { return static_cast<int16_t>(U16(b, at)); }
uint32_t U32(std::string_view b, size_t at) { return uint32_t{U16(b, at)} | uint32_t{U16(b, at + 2)} << 16; }

std::string Fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

const char* ModeName(uint8_t mode) {
  switch (mode) {
    case 0:
      return "scuba";
    case 1:
      return "gauge";
    case 2:
      return "free";
  }
  return nullptr;
}

Json::Value NoPosition() {
  Json::Value p;
  p["latitude"] = 0.0;
  p["longitude"] = 0.0;
  return p;
}

}  // namespace

std::optional<std::vector<DirectoryEntry>> ParseDirectory(std::string_view block) {
  if (block.size() < kDirectorySize || std::memcmp(block.data(), "OLOG", 4) != 0 || U16(block, 4) != 1)
    return std::nullopt;
  const uint16_t count = U16(block, 6);
  if (count > (kDirectorySize - 16) / 16) return std::nullopt;
  std::vector<DirectoryEntry> entries;
  for (uint16_t i = 0; i < count; ++i) {
    const size_t at = 16 + 16u * i;
    DirectoryEntry e{U32(block, at),
                     U32(block, at + 4),
                     U32(block, at + 8),
                     U16(block, at + 12),
                     static_cast<uint8_t>(block[at + 14]),
                     static_cast<uint8_t>(block[at + 15])};
    if (e.profile_addr < kProfileAreaAddr || e.profile_addr > kProfileAreaEnd ||
        e.profile_length > kProfileAreaEnd - e.profile_addr || e.profile_length % kSampleSize != 0)
      continue;
    entries.push_back(e);
  }
  return entries;
}

std::string DeviceDiveId(uint32_t start_utc, uint16_t number) {
  char id[32];
  std::snprintf(id, sizeof id, "q7-%08x-%u", start_utc, unsigned{number});
  return id;
}

std::optional<Json::Value> ParseDiveRecord(std::string_view r) {
  if (r.size() < kHeaderSize) return std::nullopt;
  const char* type = ModeName(static_cast<uint8_t>(r[2]));
  const uint16_t samples = U16(r, 24);
  const uint32_t profile_length = U32(r, 36);
  const uint8_t event_count = static_cast<uint8_t>(r[27]);
  const uint16_t interval = U16(r, 22);
  if (!type || profile_length != uint32_t{samples} * kSampleSize || r.size() < kHeaderSize + profile_length ||
      event_count > 4 || interval == 0)
    return std::nullopt;

  const bool fresh = r[3] == 1;
  const uint16_t surface = U16(r, 20);
  const double metres_per_bar = fresh ? 10.25 : 10.0;
  Json::Value log;
  log["dive_datetime"] = static_cast<Json::Int64>(U32(r, 4));
  log["timezone"] = S16(r, 8);
  log["dive_type"] = type;
  log["dive_duration"] = U16(r, 10);
  log["max_depth"] = Fixed(U16(r, 12) / 100.0, 2);
  log["average_depth"] = Fixed(U16(r, 14) / 100.0, 2);
  log["min_temperature"] = Fixed(S16(r, 16) / 10.0, 1);
  log["air_temperature"] = Fixed(S16(r, 18) / 10.0, 1);
  log["altitude"] = std::to_string(surface);
  log["po2"] = static_cast<uint8_t>(r[26]);
  log["air_in_text"] = std::to_string(U16(r, 28));
  log["air_out_text"] = std::to_string(U16(r, 30));
  // The device knows neither the cylinder, suit, weight nor conditions: the
  // diver fills them in afterwards.
  log["cylinder_size_text"] = "0";
  log["suit_thickness"] = "0";
  log["weight"] = "0";
  for (const char* member : {"weather_type", "wave_type", "current_type", "visibility_type"}) log[member] = 0;
  log["water_type"] = fresh ? 1 : 0;
  log["entry_position"] = NoPosition();
  log["exit_position"] = NoPosition();
  log["device_dive_number"] = U16(r, 0);

  Json::Value profiles(Json::arrayValue);
  for (uint16_t i = 0; i < samples; ++i) {
    const size_t at = kHeaderSize + size_t{i} * kSampleSize;
    Json::Value sample;
    sample["profile_time"] = int{i} * interval;
    sample["pressure"] = Fixed(surface + U16(r, at) / 100.0 / metres_per_bar * 1000.0, 1);
    sample["temperature"] = Fixed(S16(r, at + 2) / 10.0, 1);
    profiles.append(sample);
  }
  log["dive_profiles"] = profiles;
  Json::Value events(Json::arrayValue);
  for (uint8_t i = 0; i < event_count; ++i) {
    const size_t at = 40 + 6u * i;
    Json::Value e;
    e["event_time"] = U16(r, at);
    e["event_code"] = static_cast<uint8_t>(r[at + 2]);
    e["event_value"] = static_cast<uint8_t>(r[at + 3]);
    events.append(e);
  }
  log["events"] = events;
  return log;
}

}  // namespace orv::sim
