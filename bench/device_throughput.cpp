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
#include "image_layout.h"
#include "memory_image.h"
#include "pairs.h"
#include "pty_server.h"
#include "raw_pty.h"
#include "responder.h"

namespace {

using namespace orv;
using bench::Now;
int kBlocks = 30;  // per round: short, so both sides of a pair meet the same load

double ThreadCpu() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  const int pairs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 21;
  if (argc > 2) kBlocks = std::max(1, std::atoi(argv[2]));
  // tmpfs where there is one: the image's flush per written block would
  // otherwise measure the disk, not the line.
  std::filesystem::path base =
      std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
  auto dir = base / ("orvelle-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  devsim::MemoryImage image;
  bool created = false;
  if (!image.Open((dir / "image.bin").string(), devsim::kImageSize, created))
    return std::fprintf(stderr, "%s\n", image.error().c_str()), 1;
  devsim::PtyServer server, raw_pair;
  if (!server.Open() || !raw_pair.Open()) return std::fprintf(stderr, "cannot open a pty pair\n"), 1;
  int slave = ::open(raw_pair.slave_path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (slave < 0) return std::fprintf(stderr, "cannot open %s\n", raw_pair.slave_path().c_str()), 1;
  bench::RawPeer raw_peer(raw_pair.master_fd(), slave);

  device::DeviceSession session(device::Deadlines{std::chrono::seconds(5), std::chrono::seconds(5)});
  if (!session.Open(server.slave_path())) return std::fprintf(stderr, "%s\n", session.error().c_str()), 1;
  devsim::Responder responder(image, devsim::DeviceProfile{});
  std::thread([&] { server.Serve(responder, devsim::LineFaults{}); }).detach();

  device::Usb& usb = session.usb();
  std::vector<uint8_t> block(device::kBlockSize, 0xA5);
  bench::Pairs reads, writes;
  std::vector<double> read_cpu, write_cpu;
  // Each pair runs its two sides in turns, the raw loop first in even pairs
  // and second in odd ones, so a drift in load favours neither side.
  auto ours = [&](bool read, std::vector<double>& cpu_used) {
    double cpu = ThreadCpu(), t = Now();
    for (int i = 0; i < kBlocks; ++i) {
      uint32_t address = 0x100000 + (i % 16) * 4096;
      if (read ? !usb.ReadBlock(address, block.data(), 4096) : !usb.WriteBlock(address, block.data())) return -1.0;
    }
    t = Now() - t;
    cpu_used.push_back(ThreadCpu() - cpu);
    return kBlocks / t;
  };
  for (int r = 0; r < pairs; ++r) {
    for (bool read : {true, false}) {
      double raw = 0, our = 0;
      if (r % 2 == 0) raw = kBlocks / raw_peer.Loop(read, kBlocks);
      our = ours(read, read ? read_cpu : write_cpu);
      if (r % 2 == 1) raw = kBlocks / raw_peer.Loop(read, kBlocks);
      if (our < 0) return std::fprintf(stderr, "%s failed\n", read ? "ReadBlock" : "WriteBlock"), 1;
      (read ? reads : writes).Add(our, raw);
    }
  }

  std::fprintf(stderr, "device: %d pairs of %d blocks; raw pty %.0f / %.0f blocks/s; cpu %.1f / %.1f us/block\n", pairs,
               kBlocks, bench::Median(reads.base), bench::Median(writes.base), bench::Median(read_cpu) / kBlocks * 1e6,
               bench::Median(write_cpu) / kBlocks * 1e6);
  // Rates: ours over the raw limit, higher is better.
  bench::PrintFigure("readblock", reads.Value(), "blocks/s", reads.Ratio(), ">=", 0.9);
  bench::PrintFigure("writeblock", writes.Value(), "blocks/s", writes.Ratio(), ">=", 0.9);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  // The simulator's thread serves until the process ends.
  std::_Exit(0);
}
