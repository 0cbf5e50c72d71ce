// Block throughput of the device link over a pseudo-terminal, as a ratio to
// what the same pty pair carries when a minimal loop pushes the same bytes
// (the request one way, 129 packets the other), measured in the same run.
// Also the CPU time the program side spends per block.
#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "device/device_session.h"
#include "image_layout.h"
#include "memory_image.h"
#include "pty_server.h"
#include "responder.h"

namespace {

using namespace orv;
constexpr int kBlocks = 100;  // per round
constexpr int kRounds = 5;    // best round counts: the machine is shared
constexpr size_t kStream = (device::kPacketsPerBlock + 1) * device::kPacketSize;  // 5160

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }
double ThreadCpu() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

bool ReadAll(int fd, uint8_t* p, size_t n) {
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

bool WriteAll(int fd, const uint8_t* p, size_t n) {
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

// Seconds for kBlocks exchanges of `small` bytes from the program and `large`
// bytes back (or the other way round), with nothing but read and write.
double RawLoop(int master, int slave, bool device_sends_block) {
  std::vector<uint8_t> block(kStream, 0x5A), packet(device::kPacketSize, 0);
  const size_t to_device = device_sends_block ? packet.size() : block.size();
  const size_t to_program = device_sends_block ? block.size() : packet.size();
  std::thread device([&] {
    std::vector<uint8_t> in(kStream);
    for (int i = 0; i < kBlocks; ++i) {
      if (!ReadAll(master, in.data(), to_device) || !WriteAll(master, block.data(), to_program)) return;
    }
  });
  std::vector<uint8_t> in(kStream);
  double t = Now();
  for (int i = 0; i < kBlocks; ++i)
    if (!WriteAll(slave, block.data(), to_device) || !ReadAll(slave, in.data(), to_program)) break;
  t = Now() - t;
  device.join();
  return t;
}

}  // namespace

int main() {
  // tmpfs where there is one: the image's flush per written block would
  // otherwise measure the disk, not the line.
  std::filesystem::path base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
  auto dir = base / ("orvelle-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  devsim::MemoryImage image;
  bool created = false;
  if (!image.Open((dir / "image.bin").string(), devsim::kImageSize, created)) return std::fprintf(stderr, "%s\n", image.error().c_str()), 1;
  devsim::PtyServer server;
  if (!server.Open()) return std::fprintf(stderr, "%s\n", server.error().c_str()), 1;

  device::DeviceSession session(device::Deadlines{std::chrono::seconds(5), std::chrono::seconds(5)});
  if (!session.Open(server.slave_path())) return std::fprintf(stderr, "%s\n", session.error().c_str()), 1;

  // The raw limit first, on the very same pair, before the device takes it.
  // The session's port is the program's end; a second descriptor on the
  // slave carries the raw loop.
  int slave = ::open(server.slave_path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  int master = server.master_fd();
  double raw_read = 1e9, raw_write = 1e9;
  for (int r = 0; r < kRounds; ++r) {
    raw_read = std::min(raw_read, RawLoop(master, slave, true));
    raw_write = std::min(raw_write, RawLoop(master, slave, false));
  }
  ::close(slave);

  devsim::Responder responder(image, devsim::DeviceProfile{});
  std::thread([&] { server.Serve(responder, devsim::LineFaults{}); }).detach();

  device::Usb& usb = session.usb();
  std::vector<uint8_t> block(device::kBlockSize, 0xA5);
  double read_s = 1e9, write_s = 1e9, read_cpu = 1e9, write_cpu = 1e9;
  for (int r = 0; r < kRounds; ++r) {
    double cpu = ThreadCpu(), t = Now();
    for (int i = 0; i < kBlocks; ++i)
      if (!usb.ReadBlock(0x100000 + (i % 16) * 4096, block.data(), 4096)) return std::fprintf(stderr, "read failed\n"), 1;
    read_s = std::min(read_s, Now() - t);
    read_cpu = std::min(read_cpu, ThreadCpu() - cpu);
    cpu = ThreadCpu();
    t = Now();
    for (int i = 0; i < kBlocks; ++i)
      if (!usb.WriteBlock(0x100000 + (i % 16) * 4096, block.data())) return std::fprintf(stderr, "write failed\n"), 1;
    write_s = std::min(write_s, Now() - t);
    write_cpu = std::min(write_cpu, ThreadCpu() - cpu);
  }

  std::printf("blocks per round          %d (best of %d rounds)\n", kBlocks, kRounds);
  std::printf("raw pty, block to program %.1f blocks/s\n", kBlocks / raw_read);
  std::printf("raw pty, block to device  %.1f blocks/s\n", kBlocks / raw_write);
  std::printf("ReadBlock                 %.1f blocks/s  ratio %.2f  cpu %.1f us/block\n", kBlocks / read_s,
              raw_read / read_s, read_cpu / kBlocks * 1e6);
  std::printf("WriteBlock                %.1f blocks/s  ratio %.2f  cpu %.1f us/block\n", kBlocks / write_s,
              raw_write / write_s, write_cpu / kBlocks * 1e6);
  std::fflush(stdout);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  // The simulator's thread serves until the process ends.
  std::_Exit(0);
}
