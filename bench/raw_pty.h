// The raw limit of a pseudo-terminal pair, for the device and upload
// benchmarks: a block exchange is a request packet one way and 129 packets
// the other.
#pragma once

#include <errno.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
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

// The raw limit of a pty pair: the bytes of a block exchange moved by
// nothing but read and write. The far end runs on one thread for the whole
// run, as the simulator's does, so both sides meet the same thread placement
// and wake-ups; a thread started per round would add its first turn.
class RawPeer {
 public:
  RawPeer(int master, int slave) : master_(master), slave_(slave), thread_([this] { Serve(); }) {}
  ~RawPeer() {
    stop_ = true;
    WriteAll(slave_, block_.data(), device::kPacketSize);  // wakes the far end to see the stop
    thread_.join();
  }
  // Seconds for `blocks` exchanges of a request packet from the program and
  // a block back (or a block from the program and a packet back).
  double Loop(bool device_sends_block, int blocks) {
    double t = Now();
    for (int i = 0; i < blocks; ++i)
      if (!Exchange(device_sends_block)) break;
    return Now() - t;
  }

 private:
  bool Exchange(bool device_sends_block) {
    device_sends_block_ = device_sends_block;
    return WriteAll(slave_, block_.data(), device_sends_block ? device::kPacketSize : kStream) &&
           ReadAll(slave_, in_.data(), device_sends_block ? kStream : device::kPacketSize);
  }
  void Serve() {
    std::vector<uint8_t> in(kStream);
    while (ReadAll(master_, in.data(), device::kPacketSize) && !stop_) {
      const bool sends_block = device_sends_block_;
      if (!sends_block && !ReadAll(master_, in.data(), kStream - device::kPacketSize)) return;
      if (!WriteAll(master_, block_.data(), sends_block ? kStream : device::kPacketSize)) return;
    }
  }
  int master_, slave_;
  std::vector<uint8_t> block_ = std::vector<uint8_t>(kStream, 0x5A), in_ = std::vector<uint8_t>(kStream);
  std::atomic<bool> device_sends_block_{true}, stop_{false};
  std::thread thread_;
};

}  // namespace orv::bench
