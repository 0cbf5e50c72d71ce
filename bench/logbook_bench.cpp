// The saved log book's cost, measured against what the diver would run
// without it, each pair taken in turns:
//   sync80         orvelle-cli sync of the demo's 80 dives into an empty copy
//                  / orvelle-cli export of the same months with no copy at all
//   offline_month  orvelle-cli --offline month / the same month online
//   bytes_per_dive the copy's size on disk per saved dive (no target)
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "pairs.h"
#include "seed.h"
#include "sim_server.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using orv::bench::Now;

std::string bin, service, ca, work;

// Seconds one orvelle-cli run takes, started directly (no shell in between,
// whose own start would count on both sides of each pair); aborts the
// benchmark when it fails.
double Run(const std::string& data_home, std::vector<std::string> args) {
  std::vector<std::string> all = {bin + "/orvelle-cli", "--service", service, "--ca-file", ca,
                                  "--email", orv::sim::kDemoEmail, "--password", orv::sim::kDemoPassword};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env = {"XDG_DATA_HOME=" + data_home, "XDG_CONFIG_HOME=" + work + "/config"};
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "XDG_DATA_HOME=", 14) != 0 && std::strncmp(*e, "XDG_CONFIG_HOME=", 16) != 0)
      env.emplace_back(*e);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t io;
  posix_spawn_file_actions_init(&io);
  posix_spawn_file_actions_addopen(&io, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&io, STDERR_FILENO, (work + "/bench.err").c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                   0644);
  const double start = Now();
  pid_t pid = -1;
  int status = -1;
  if (posix_spawn(&pid, argv[0], &io, nullptr, argv.data(), envp.data()) == 0) ::waitpid(pid, &status, 0);
  const double seconds = Now() - start;
  posix_spawn_file_actions_destroy(&io);
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
