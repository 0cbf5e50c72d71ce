// Shared pieces of the device tests: a simulator per test and a session on it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/string_table.h"
#include "device/device_session.h"
#include "devsim_process.h"

namespace orv::test {

using Block = std::array<uint8_t, device::kBlockSize>;

inline Block Pattern(uint8_t seed) {
  Block b;
  for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(seed + i * 7 + i / 256);
  return b;
}

inline double SecondsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

// Lines of the simulator's log `file` that start with `prefix`.
inline size_t LogLines(const std::string& file, const std::string& prefix) {
  auto lines = ReadLines(file);
  return static_cast<size_t>(
      std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

// The simulator logs as it takes packets in, a moment after a program has
// sent them; waits until `prefix` has been logged `count` times.
inline bool WaitForLogLines(const std::string& file, const std::string& prefix, size_t count = 1) {
  auto t = std::chrono::steady_clock::now();
  while (LogLines(file, prefix) < count) {
    if (SecondsSince(t) > 3) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

class DevsimTest : public ::testing::Test {
 protected:
  // Short deadlines keep the failure cases fast; still far above what a
  // healthy pty needs.
  static constexpr device::Deadlines kShort{std::chrono::milliseconds(400), std::chrono::milliseconds(800)};

  std::string image() const { return dir_.File("image.bin"); }
  std::string log() const { return dir_.File("log.txt"); }

  void Start(std::vector<std::string> args = {}) {
    args.insert(args.end(), {"--log", log()});
    sim_ = std::make_unique<Devsim>(image(), args);
    ASSERT_TRUE(sim_->running());
  }
  std::unique_ptr<device::DeviceSession> Open(device::Deadlines d = kShort) {
    auto s = std::make_unique<device::DeviceSession>(d);
    EXPECT_TRUE(s->Open(sim_->slave())) << s->error();
    return s;
  }
  size_t LogCount(const std::string& prefix) const { return LogLines(log(), prefix); }
  bool WaitForLog(const std::string& prefix, size_t count = 1) const { return WaitForLogLines(log(), prefix, count); }

  // The end command arrives a moment after the operation returns.
  bool EndSent() const { return WaitForLog("rx 9997"); }
  // What the diver reads for each message key, in the current language.
  static std::vector<std::string> Texts(std::initializer_list<const char*> keys) {
    std::vector<std::string> out;
    for (const char* k : keys) out.push_back(Tr(k));
    return out;
  }

  // The simulator takes packets in order: once it has logged the port closed
  // after an end command of the test's own, every packet sent before is in
  // the log. That end command's line counts in LogCount("rx").
  bool AllSentIsLogged() {
    const size_t closed = LogCount("closed");
    Open()->usb().SendEnd();
    return WaitForLog("closed", closed + 1);
  }

  TempDir dir_;
  std::unique_ptr<Devsim> sim_;
};

}  // namespace orv::test
