// The saved log book's cost, measured against what the diver would run
// without it, each pair taken in turns:
//   sync80         orvelle-cli sync of the demo's 80 dives into an empty copy
//                  / orvelle-cli export of the same months with no copy at all
//   offline_month  orvelle-cli --offline month / the same month online
//   bytes_per_dive the copy's size on disk per saved dive (no target)
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "pairs.h"
#include "seed.h"
#include "sim_server.h"
#include "spawn_program.h"

namespace {

namespace fs = std::filesystem;
using orv::bench::Now;

std::string bin, service, ca, work;

// Seconds one orvelle-cli run takes, started directly (no shell in between,
// whose own start would count on both sides of each pair); aborts the
// benchmark when it fails.
double Run(const std::string& data_home, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {bin + "/orvelle-cli", "--service",  service,
                                   "--ca-file",          ca,           "--email",
                                   orv::sim::kDemoEmail, "--password", orv::sim::kDemoPassword};
  argv.insert(argv.end(), args.begin(), args.end());
  const double start = Now();
  const pid_t pid = orv::test::SpawnProgram(argv, {"XDG_DATA_HOME=" + data_home, "XDG_CONFIG_HOME=" + work + "/config"},
                                            {"/dev/null", work + "/bench.err", true});
  int status = -1;
  if (pid > 0) ::waitpid(pid, &status, 0);
  const double seconds = Now() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "failed: orvelle-cli %s (see %s/bench.err)\n", args.empty() ? "" : args[0].c_str(),
                 work.c_str());
    std::exit(1);
  }
  return seconds;
}

std::string ThisMonth() {
  char text[16];
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  std::strftime(text, sizeof text, "%Y-%m", &tm);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return std::fprintf(stderr, "usage: logbook_bench BIN_DIR [pairs]\n"), 2;
  bin = argv[1];
  const int pairs = argc > 2 ? std::atoi(argv[2]) : 7;
  orv::test::SimServer server;
  if (!server.Start()) return std::fprintf(stderr, "orvelle-cloudsim did not start\n"), 1;
  service = "127.0.0.1:" + std::to_string(server.port());
  ca = server.ca_file();
  work = server.dir() + "/bench";
  fs::create_directories(work);
  // The export's baseline has no copy at all: its data folder cannot be made.
  const std::string no_copy = "/proc/orvelle-bench-no-copy";

  orv::bench::Pairs sync, month;
  double bytes_per_dive = 0;
  for (int i = 0; i < pairs; ++i) {
    const std::string home = work + "/data" + std::to_string(i);
    const double ours = Run(home, {"sync", "--from", "2023-11"});
    sync.Add(ours, Run(no_copy, {"export", "--from", "2023-11", "--to", ThisMonth(), work + "/book.csv"}));
    month.Add(Run(home, {"--offline", "month", "2024-03"}), Run(home, {"month", "2024-03"}));
    std::uintmax_t bytes = 0;
    for (const auto& e : fs::directory_iterator(home + "/orvelle-pc-tool")) bytes += e.file_size();
    bytes_per_dive = static_cast<double>(bytes) / 80;
    fs::remove_all(home);
  }
  orv::bench::PrintFigure("sync80", sync.Value(), "s", sync.Ratio(), "<=", 1.2);
  orv::bench::PrintFigure("offline_month", month.Value(), "s", month.Ratio(), "<=", 0.5);
  std::printf("bytes_per_dive  %.0f B  ratio -  target -  (no target)\n", bytes_per_dive);
  return 0;
}
