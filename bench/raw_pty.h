// The raw limit of a pseudo-terminal pair: the bytes of a block exchange
// (a request packet one way, 129 packets the other) moved by nothing but
// read and write, for the device and upload benchmarks.
#pragma once

#include <errno.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "device/device_session.h"
#include "pairs.h"

namespace orv::bench {

inline constexpr size_t kStream = (device::kPacketsPerBlock + 1) * device::kPacketSize;  // 5160

inline bool ReadAll(int fd, uint8_t* p, size_t n) {
  while (n > 0) {
    ssize_t r = ::read(fd, p, n);
    if (r < 0 && errno == EAGAIN) {
      pollfd q{fd, POLLIN, 0};
      ::poll(&q, 1, 1000);
      continue;
    }
    if (r <= 0) return false;
    p += r;
    n -= static_cast<size_t>(r);
  }
  return true;
}

inline bool WriteAll(int fd, const uint8_t* p, size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EAGAIN) {
      pollfd q{fd, POLLOUT, 0};
      ::poll(&q, 1, 1000);
      continue;
    }
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

// Seconds for `blocks` exchanges of `small` bytes from the program and `large`
// bytes back (or the other way round), with nothing but read and write. One
// untimed exchange goes first: a new thread's first turn on a busy machine
// would otherwise be timed too, which the simulator's running thread never is.
inline double RawLoop(int master, int slave, bool device_sends_block, int blocks) {
  std::vector<uint8_t> block(kStream, 0x5A), packet(device::kPacketSize, 0);
  const size_t to_device = device_sends_block ? packet.size() : block.size();
  const size_t to_program = device_sends_block ? block.size() : packet.size();
  std::thread device([&] {
    std::vector<uint8_t> in(kStream);
    for (int i = 0; i <= blocks; ++i) {
      if (!ReadAll(master, in.data(), to_device) || !WriteAll(master, block.data(), to_program)) return;
    }
  });
  std::vector<uint8_t> in(kStream);
  double t = 0;
  for (int i = 0; i <= blocks; ++i) {
    if (i == 1) t = Now();
    if (!WriteAll(slave, block.data(), to_device) || !ReadAll(slave, in.data(), to_program)) break;
  }
  t = Now() - t;
  device.join();
  return t;
}

}  // namespace orv::bench
