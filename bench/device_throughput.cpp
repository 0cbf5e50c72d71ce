// Block throughput of the device link over a pseudo-terminal, as a ratio to
// what a pty pair carries when a minimal loop pushes the same bytes (the
// request one way, 129 packets the other). The raw loop runs on a pair of its
// own, one round right before each of the program's rounds, and the figure
// is the median of the per-round ratios: the machine is shared, and a burst
// of load then hits both sides of a pair alike.
//   device_bench [pairs] [blocks per round]
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
#include "pairs.h"
#include "image_layout.h"
#include "memory_image.h"
#include "pty_server.h"
#include "responder.h"

namespace {

using namespace orv;
int kBlocks = 100;  // per round
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

int main(int argc, char** argv) {
  const int pairs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 9;
  if (argc > 2) kBlocks = std::max(1, std::atoi(argv[2]));
  // tmpfs where there is one: the image's flush per written block would
  // otherwise measure the disk, not the line.
  std::filesystem::path base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
  auto dir = base / ("orvelle-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  devsim::MemoryImage image;
  bool created = false;
  if (!image.Open((dir / "image.bin").string(), devsim::kImageSize, created)) return std::fprintf(stderr, "%s\n", image.error().c_str()), 1;
  devsim::PtyServer server, raw_pair;
  if (!server.Open() || !raw_pair.Open()) return std::fprintf(stderr, "cannot open a pty pair\n"), 1;
  int slave = ::open(raw_pair.slave_path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (slave < 0) return std::fprintf(stderr, "cannot open %s\n", raw_pair.slave_path().c_str()), 1;

  device::DeviceSession session(device::Deadlines{std::chrono::seconds(5), std::chrono::seconds(5)});
  if (!session.Open(server.slave_path())) return std::fprintf(stderr, "%s\n", session.error().c_str()), 1;
  devsim::Responder responder(image, devsim::DeviceProfile{});
  std::thread([&] { server.Serve(responder, devsim::LineFaults{}); }).detach();

  device::Usb& usb = session.usb();
  std::vector<uint8_t> block(device::kBlockSize, 0xA5);
  bench::Pairs reads, writes;
  std::vector<double> read_cpu, write_cpu;
  for (int r = 0; r < pairs; ++r) {
    double raw = RawLoop(raw_pair.master_fd(), slave, true);
    double cpu = ThreadCpu(), t = Now();
    for (int i = 0; i < kBlocks; ++i)
      if (!usb.ReadBlock(0x100000 + (i % 16) * 4096, block.data(), 4096)) return std::fprintf(stderr, "read failed\n"), 1;
    reads.Add(kBlocks / (Now() - t), kBlocks / raw);
    read_cpu.push_back(ThreadCpu() - cpu);
    raw = RawLoop(raw_pair.master_fd(), slave, false);
    cpu = ThreadCpu();
    t = Now();
    for (int i = 0; i < kBlocks; ++i)
      if (!usb.WriteBlock(0x100000 + (i % 16) * 4096, block.data())) return std::fprintf(stderr, "write failed\n"), 1;
    writes.Add(kBlocks / (Now() - t), kBlocks / raw);
    write_cpu.push_back(ThreadCpu() - cpu);
  }
  ::close(slave);

  std::fprintf(stderr, "device: %d pairs of %d blocks; raw pty %.0f / %.0f blocks/s; cpu %.1f / %.1f us/block\n", pairs,
               kBlocks, bench::Median(reads.base), bench::Median(writes.base),
               bench::Median(read_cpu) / kBlocks * 1e6, bench::Median(write_cpu) / kBlocks * 1e6);
  // Rates: ours over the raw limit, higher is better.
  bench::PrintFigure("readblock", reads.Value(), "blocks/s", reads.Ratio(), ">=", 0.9);
  bench::PrintFigure("writeblock", writes.Value(), "blocks/s", writes.Ratio(), ">=", 0.9);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  // The simulator's thread serves until the process ends.
  std::_Exit(0);
}
