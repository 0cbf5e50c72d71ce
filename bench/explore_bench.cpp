// The whole-log-book list from the command line, on a generated saved copy:
//   cli_list5000          orvelle-cli list of every dive, the whole run; the
//                         sqlite3 shell selecting the same rows from the same
//                         file is printed beside it as the floor
//   cli_list5000_json     the same with --json / the text run, in turns
// Run by scripts/bench: explore_bench <bin folder> <pairs> <dives> <samples>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "logbook/copy_place.h"
#include "pairs.h"
#include "spawn_program.h"

namespace {

namespace fs = std::filesystem;
using orv::bench::Now;

constexpr const char* kEmail = "bench-list@orvelle.test";
std::string work;

double Run(std::vector<std::string> argv, const std::string& out = "/dev/null") {
  const double start = Now();
  const pid_t pid = orv::test::SpawnProgram(argv, {"XDG_DATA_HOME=" + work + "/data", "XDG_CONFIG_HOME=" + work},
                                            {out, work + "/bench.err", true});
  int status = -1;
  if (pid > 0) ::waitpid(pid, &status, 0);
  const double seconds = Now() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "failed: %s (see %s/bench.err)\n", argv[0].c_str(), work.c_str());
    std::exit(1);
  }
  return seconds;
}

// The program `name` as PATH finds it; posix_spawn takes a path.
std::string OnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin";
  for (size_t start = 0; start <= dirs.size();) {
    const size_t end = std::min(dirs.find(':', start), dirs.size());
    const fs::path candidate = fs::path(dirs.substr(start, end - start)) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    start = end + 1;
  }
  std::fprintf(stderr, "%s is not installed (scripts/deps.sh installs it)\n", name.c_str());
  std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: explore_bench BIN PAIRS DIVES SAMPLES\n");
    return 2;
  }
  const std::string bin = argv[1], dives = argv[3], samples = argv[4];
  const int pairs = std::max(1, std::atoi(argv[2]));
  work = (fs::temp_directory_path() / ("orvelle-explore-bench-" + std::to_string(::getpid()))).string();
  fs::create_directories(work);
  ::setenv("XDG_DATA_HOME", (work + "/data").c_str(), 1);
  const std::string folder = orv::SavedCopyFolder(true), copy = orv::SavedCopyPath(kEmail);
  Run({bin + "/orvelle-bookgen", "--out", copy, "--dives", dives, "--samples", samples, "--email", kEmail});

  const std::vector<std::string> list = {bin + "/orvelle-cli", "--email", kEmail, "list"};
  std::vector<std::string> json = list;
  json.insert(json.begin() + 1, "--json");
  // The rows and columns the text run prints, in its order.
  const std::string select =
      "SELECT local_start, mode, max_depth_m, duration_s, water_temp_c, air_lpm, site, region, divelog_id "
      "FROM dive_summaries ORDER BY local_start DESC, divelog_id DESC";
  const std::vector<std::string> floor = {OnPath("sqlite3"), "-readonly", "-separator", "\t", copy, select};
  Run(list);  // the first run pays for the page cache on both sides
  orv::bench::Pairs text, as_json;
  for (int i = 0; i < pairs; ++i) {
    text.Add(Run(list), Run(floor));
    const double t = Run(list);
    as_json.Add(Run(json), t);
  }
  orv::bench::PrintFigure("cli_list5000", text.Value() * 1000, "ms", -1, "<=", 200);
  orv::bench::PrintFigure("cli_list5000_sqlite3", orv::bench::Median(text.base) * 1000, "ms", -1, "<=", 200);
  orv::bench::PrintFigure("cli_list5000_json", as_json.Value() * 1000, "ms", as_json.Ratio(), "<=", 1.2);
  fs::remove_all(work);
  return 0;
}
