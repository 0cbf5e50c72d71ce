#include "dive_memory.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/utc_seconds.h"

namespace orv::devsim {

namespace {

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void EncodeHeader(const DeviceDive& d, uint32_t profile_addr, uint8_t* h) {
  std::memset(h, 0, kLogHeaderSize);
  Put16(h + 0, d.number);
  h[2] = d.mode;
  h[3] = d.water;
  Put32(h + 4, d.start_utc);
  Put16(h + 8, static_cast<uint16_t>(d.timezone));
  Put16(h + 10, d.duration);
  Put16(h + 12, d.max_depth_cm);
  Put16(h + 14, d.avg_depth_cm);
  Put16(h + 16, static_cast<uint16_t>(d.min_temp_dc));
  Put16(h + 18, static_cast<uint16_t>(d.air_temp_dc));
  Put16(h + 20, d.surface_mbar);
  Put16(h + 22, d.interval);
  Put16(h + 24, static_cast<uint16_t>(d.samples.size()));
  h[26] = d.o2;
  const size_t events = std::min<size_t>(4, d.events.size());
  h[27] = static_cast<uint8_t>(events);
  Put16(h + 28, d.tank_start_bar);
  Put16(h + 30, d.tank_end_bar);
  Put32(h + 32, profile_addr);
  Put32(h + 36, static_cast<uint32_t>(d.samples.size() * kLogSampleSize));
  for (size_t i = 0; i < events; ++i) {
    uint8_t* e = h + 40 + 6 * i;
    Put16(e, d.events[i].time);
    e[2] = d.events[i].code;
    e[3] = d.events[i].value;
  }
}

void EncodeSamples(const DeviceDive& d, uint8_t* out) {
  for (size_t s = 0; s < d.samples.size(); ++s) {
    Put16(out + s * kLogSampleSize, d.samples[s].depth_cm);
    Put16(out + s * kLogSampleSize + 2, static_cast<uint16_t>(d.samples[s].temp_dc));
  }
}

}  // namespace

std::vector<uint8_t> EncodeDiveRecord(const DeviceDive& dive, uint32_t profile_addr) {
  std::vector<uint8_t> record(kLogHeaderSize + dive.samples.size() * kLogSampleSize);
  EncodeHeader(dive, profile_addr, record.data());
  EncodeSamples(dive, record.data() + kLogHeaderSize);
  return record;
}

bool WriteDiveMemory(MemoryImage& image, const std::vector<DeviceDive>& dives) {
  if (dives.size() > kLogMaxDives) return false;
  std::vector<uint8_t> directory(4096, 0xFF);
  std::memcpy(directory.data(), "OLOG", 4);
  Put16(&directory[4], 1);
  Put16(&directory[6], static_cast<uint16_t>(dives.size()));
  Put32(&directory[8], dives.empty() ? 1u : dives.back().number + 1u);
  Put32(&directory[12], 0);
  std::vector<uint8_t> headers(kLogMaxDives * kLogHeaderSize + kLogHeaderSize, 0xFF);
  uint32_t profile_addr = kLogProfileArea;
  for (size_t i = 0; i < dives.size(); ++i) {
    const DeviceDive& d = dives[i];
    const uint32_t length = static_cast<uint32_t>(d.samples.size() * kLogSampleSize);
    if (profile_addr + length > kLogProfileEnd) return false;
    std::vector<uint8_t> profile(length);
    EncodeSamples(d, profile.data());
    if (!image.Write(profile_addr, profile)) return false;
    EncodeHeader(d, profile_addr, &headers[i * kLogHeaderSize]);
    uint8_t* entry = &directory[16 + 16 * i];
    Put32(entry, d.start_utc);
    Put32(entry + 4, profile_addr);
    Put32(entry + 8, length);
    Put16(entry + 12, d.number);
    entry[14] = d.mode;
    entry[15] = static_cast<uint8_t>(i);
    // Profiles start on 16-byte boundaries, as the logger's flash pages do.
    profile_addr += (length + 15) & ~15u;
  }
  return image.Write(kLogHeaderArea, std::span<const uint8_t>(headers.data(), dives.size() * kLogHeaderSize)) &&
         image.Write(kLogDirectoryBlock, directory);
}

namespace {

uint32_t Utc(int year, int month, int day, int hour, int minute, int timezone) {
  return static_cast<uint32_t>(sim::UtcSeconds(year, month, day, hour, minute) + int64_t{timezone} * 60);
}

}  // namespace

DeviceDive ShapeDive(uint8_t mode, uint16_t interval, const std::vector<std::pair<double, double>>& corners,
                     double surface_c) {
  DeviceDive d;
  d.mode = mode;
  d.interval = interval;
  const double end = corners.back().first;
  d.duration = static_cast<uint16_t>(end);
  double sum = 0, deepest = 0, coldest = 99;
  for (double t = 0; t <= end; t += interval) {
    size_t k = 1;
    while (k + 1 < corners.size() && t > corners[k].first) ++k;
    const auto& [t0, d0] = corners[k - 1];
    const auto& [t1, d1] = corners[k];
    double depth = d0 + (d1 - d0) * std::clamp((t - t0) / std::max(1.0, t1 - t0), 0.0, 1.0);
    depth += 0.15 * std::sin(t / 37.0) * (depth > 1 ? 1 : 0);  // the diver never holds depth exactly
    depth = std::max(0.0, depth);
    double temp = surface_c - (depth > 12 ? 1.5 + (depth - 12) * 0.08 : depth * 0.05);
    d.samples.push_back(
        {static_cast<uint16_t>(std::lround(depth * 100)), static_cast<int16_t>(std::lround(temp * 10))});
    sum += depth;
    deepest = std::max(deepest, depth);
    coldest = std::min(coldest, temp);
  }
  d.max_depth_cm = static_cast<uint16_t>(std::lround(deepest * 100));
  d.avg_depth_cm = static_cast<uint16_t>(std::lround(sum / d.samples.size() * 100));
  d.min_temp_dc = static_cast<int16_t>(std::lround(coldest * 10));
  return d;
}

namespace {

DeviceDive Scuba(double depth, int minutes, double surface_c) {
  const double t = minutes * 60.0;
  return ShapeDive(0, 10,
               {{0, 0},
                {depth / 15 * 60, depth},
                {t * 0.4, depth * 0.95},
                {t * 0.65, depth * 0.55},
                {t - 240, 5},
                {t - 60, 5},
                {t, 0}},
               surface_c);
}

}  // namespace

std::vector<DeviceDive> SampleDives() {
  struct Plan {
    int month, day, hour, minute;
    char kind;  // s scuba, g gauge, f free
    double depth;
    int length;  // minutes (scuba, gauge) or seconds (free)
  };
  static const Plan kPlans[] = {
      {7, 12, 9, 5, 's', 24.6, 48},   {7, 12, 11, 40, 's', 18.2, 55}, {7, 12, 15, 10, 's', 12.4, 61},
      {7, 13, 8, 45, 's', 31.8, 42},  {7, 13, 11, 20, 's', 16.0, 58}, {7, 13, 14, 30, 'g', 9.5, 92},
      {7, 14, 10, 0, 'f', 14.2, 71},  {7, 14, 10, 8, 'f', 18.9, 88},  {7, 14, 10, 17, 'f', 22.5, 104},
      {7, 14, 10, 29, 'f', 11.0, 62}, {8, 3, 9, 30, 's', 21.0, 51},   {8, 3, 13, 0, 's', 15.5, 57},
      {8, 4, 9, 15, 'f', 16.5, 80},
  };
  const int tz = -480;  // the trips are in Taiwan, UTC+8
  std::vector<DeviceDive> dives;
  uint16_t number = 41;  // the logbook did not start with this device
  for (const Plan& p : kPlans) {
    DeviceDive d;
    if (p.kind == 'f') {
      const double down = p.length * 0.48;
      d = ShapeDive(2, 1, {{0, 0}, {down, p.depth}, {down + 2, p.depth}, {double(p.length), 0}}, 28.5);
      d.o2 = 0;
      d.events.push_back({static_cast<uint16_t>(down), 18, static_cast<uint8_t>(p.depth)});
    } else if (p.kind == 'g') {
      // A long, shallow gauge dive at 5 s: its profile spans more than one block.
      const double t = p.length * 60.0;
      d = ShapeDive(1, 5, {{0, 0}, {60, p.depth}, {t * 0.5, p.depth * 0.8}, {t - 180, 4}, {t, 0}}, 28.0);
      d.tank_start_bar = 205;
      d.tank_end_bar = 60;
    } else {
      d = Scuba(p.depth, p.length, 28.0);
      d.o2 = p.depth > 30 ? 21 : 32;
      d.tank_start_bar = static_cast<uint16_t>(200 + p.day % 3 * 5);
      d.tank_end_bar = static_cast<uint16_t>(50 + p.length % 20);
      if (p.depth > 30) d.events.push_back({static_cast<uint16_t>(p.depth / 15 * 60), 18, 30});
    }
    d.number = number++;
    d.start_utc = Utc(2024, p.month, p.day, p.hour, p.minute, tz);
    d.timezone = tz;
    d.air_temp_dc = 305;
    dives.push_back(std::move(d));
  }
  return dives;
}

}  // namespace orv::devsim
