// A big log book's cost, on a book orvelle-bookgen generated (5,000 dives of
// 300 samples over the 15 years to 2025; --quick: a few hundred):
//   export5k_csv, export5k_uddf   orvelle-cli --offline export of the whole
//                                 book / a Python script (sqlite3, json)
//                                 reading and parsing the same saved records
//   export5k_csv_rss, export5k_uddf_rss   the export's peak resident memory
//   open5k                        an online orvelle-cli month with that copy
//                                 / the same with no copy at all
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "logbook/copy_place.h"
#include "pairs.h"
#include "seed.h"
#include "sim_server.h"
#include "spawn_program.h"

namespace {

namespace fs = std::filesystem;
using orv::bench::Now;

std::string work;
orv::test::SimServer* service = nullptr;  // stopped before a failure ends the run

struct RunResult {
  double seconds = 0;
  double peak_mb = 0;
};

// One program run, started directly; aborts the benchmark when it fails.
RunResult Run(const std::vector<std::string>& argv, const std::string& data_home) {
  const double start = Now();
  const pid_t pid = orv::test::SpawnProgram(argv, {"XDG_DATA_HOME=" + data_home, "XDG_CONFIG_HOME=" + work + "/config"},
                                            {"/dev/null", work + "/bench.err", true});
  int status = -1;
  struct rusage usage {};
  if (pid > 0) ::wait4(pid, &status, 0, &usage);
  RunResult r{Now() - start, usage.ru_maxrss / 1024.0};
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "failed: %s (see %s/bench.err)\n", argv[0].c_str(), work.c_str());
    if (service) service->Stop();
    std::exit(1);
  }
  return r;
}

// What any program must do at least to export the book: read every saved
// record and parse it.
constexpr const char* kFloor =
    "import json, sqlite3, sys\n"
    "con = sqlite3.connect(sys.argv[1])\n"
    "n = 0\n"
    "for (record,) in con.execute('SELECT record FROM dives'):\n"
    "    n += len(json.loads(record)['dive_profiles'])\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return std::fprintf(stderr, "usage: export_bench BIN_DIR PAIRS BOOK.sqlite\n"), 2;
  const std::string bin = argv[1];
  const int pairs = std::atoi(argv[2]);
  orv::test::SimServer server;
  if (!server.Start()) return std::fprintf(stderr, "orvelle-cloudsim did not start\n"), 1;
  service = &server;
  work = server.dir() + "/export-bench";
  // Two copies of the book: the online month of open5k writes through into
  // its own, never into the one the exports read.
  const std::string home = work + "/data", open_home = work + "/open";
  fs::create_directories(work);
  std::string copy;
  for (const std::string& data_home : {open_home, home}) {
    ::setenv("XDG_DATA_HOME", data_home.c_str(), 1);
    copy = orv::SavedCopyPath(orv::sim::kDemoEmail);
    std::error_code error;
    if (orv::SavedCopyFolder(true).empty() || !fs::copy_file(argv[3], copy, error))
      return std::fprintf(stderr, "cannot copy %s into %s\n", argv[3], data_home.c_str()), 1;
  }

  const std::vector<std::string> floor = {"/usr/bin/env", "python3", "-c", kFloor, copy};
  auto exported = [&](const char* name) {
    return Run({bin + "/orvelle-cli", "--offline", "--email", orv::sim::kDemoEmail, "export", "--from", "2011-01",
                "--to", "2025-12", work + "/" + name},
               home);
  };
  orv::bench::Pairs csv, uddf, csv_mb, uddf_mb, open;
  const std::string no_copy = "/proc/orvelle-bench-no-copy";
  const std::vector<std::string> month = {bin + "/orvelle-cli",
                                          "--service",
                                          "127.0.0.1:" + std::to_string(server.port()),
                                          "--ca-file",
                                          server.ca_file(),
                                          "--email",
                                          orv::sim::kDemoEmail,
                                          "--password",
                                          orv::sim::kDemoPassword,
                                          "month",
                                          "2024-06"};
  for (int i = 0; i < pairs; ++i) {
    const RunResult c = exported("book.csv");
    csv.Add(c.seconds, Run(floor, home).seconds);
    csv_mb.Add(c.peak_mb, 1);
    const RunResult u = exported("book.uddf");
    uddf.Add(u.seconds, Run(floor, home).seconds);
    uddf_mb.Add(u.peak_mb, 1);
  }
  // An online month is some 30 ms against the exports' seconds: its pairs
  // are many and taken apart from them, whose file writes would otherwise
  // land inside one side of a pair.
  for (int i = 0; i < 7 * pairs; ++i) open.Add(Run(month, open_home).seconds, Run(month, no_copy).seconds);
  orv::bench::PrintFigure("export5k_csv", csv.Value(), "s", csv.Ratio(), "<=", 1.0);
  orv::bench::PrintFigure("export5k_uddf", uddf.Value(), "s", uddf.Ratio(), "<=", 3.0);
  orv::bench::PrintFigure("export5k_csv_rss", csv_mb.Value(), "MB", -1, "<=", 100);
  orv::bench::PrintFigure("export5k_uddf_rss", uddf_mb.Value(), "MB", -1, "<=", 100);
  orv::bench::PrintFigure("open5k", open.Value() * 1000, "ms", open.Ratio(), "<=", 1.1);
  return 0;
}
