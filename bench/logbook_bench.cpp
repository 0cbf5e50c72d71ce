// The saved log book's cost, measured against what the diver would run
// without it, each pair taken in turns:
//   sync80             orvelle-cli sync of the demo's 80 dives into an empty
//                      copy / orvelle-cli export of the same months with no
//                      copy at all
//   offline_month      a month shown by the calendar the desktop program
//                      draws, from the saved copy / from the service (one
//                      process, the same page and session)
//   offline_month_cli  orvelle-cli --offline month / the same month online,
//                      each a whole run (no target: most of either run is the
//                      program's start, the loading of libcurl's libraries
//                      above all, which the copy does not change)
//   bytes_per_dive     the copy's size on disk per saved dive (no target)
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/headless/headless_engine.h"
#include "browse/calendar_func.h"
#include "logbook/write_through.h"
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

// The month the calendar shows in this process: each pair reads it from the
// copy `data_home` holds (saved there before), then from the service, which
// also saves it as it passes, as in the program.
orv::bench::Pairs ShownMonths(const orv::test::SimServer& server, const std::string& data_home, int pairs) {
  ::setenv("XDG_DATA_HOME", data_home.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (work + "/config").c_str(), 1);
  server.Use();
  orv::State().page_folder = bin + "/ENG/";
  if (orv::SignInWithEmail(orv::sim::kDemoEmail, orv::sim::kDemoPassword)) {
    std::fprintf(stderr, "failed: the in-process sign-in\n");
    std::exit(1);
  }
  const orv::SavedAccount account{orv::sim::kDemoEmail, orv::State().user_id, orv::State().display_name};
  orv::HeadlessWindow window;
  orv::CalendarFunc calendar;
  if (!window.LoadFile(bin + "/ENG/main.htm")) std::exit(1);
  calendar.Bind(&window);
  auto shown = [&] {
    const double start = Now();
    if (calendar.ShowMonth(2024, 6)) {
      std::fprintf(stderr, "failed: the month 2024-06 %s\n", orv::ReadingSavedCopy() ? "offline" : "online");
      std::exit(1);
    }
    return Now() - start;
  };
  orv::bench::Pairs month;
  orv::SavedAccount saved;
  for (int i = 0; i < pairs; ++i) {
    orv::CloseSavedCopy();
    if (orv::OpenSavedCopyOffline(orv::sim::kDemoEmail, saved)) std::exit(1);
    const double offline = shown();
    orv::CloseSavedCopy();
    orv::OpenSavedCopyOnline(account);
    month.Add(offline, shown());
  }
  orv::CloseSavedCopy();
  return month;
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

  orv::bench::Pairs sync, month_cli;
  double bytes_per_dive = 0;
  for (int i = 0; i < pairs; ++i) {
    const std::string home = work + "/data" + std::to_string(i);
    const double ours = Run(home, {"sync", "--from", "2023-11"});
    sync.Add(ours, Run(no_copy, {"export", "--from", "2023-11", "--to", ThisMonth(), work + "/book.csv"}));
    month_cli.Add(Run(home, {"--offline", "month", "2024-06"}), Run(home, {"month", "2024-06"}));
    std::uintmax_t bytes = 0;
    for (const auto& e : fs::directory_iterator(home + "/orvelle-pc-tool")) bytes += e.file_size();
    bytes_per_dive = static_cast<double>(bytes) / 80;
    fs::remove_all(home);
  }
  const std::string shown_home = work + "/shown";
  Run(shown_home, {"sync", "--from", "2024-06"});
  const orv::bench::Pairs month = ShownMonths(server, shown_home, std::max(pairs, 15));
  orv::bench::PrintFigure("sync80", sync.Value(), "s", sync.Ratio(), "<=", 1.2);
  orv::bench::PrintFigure("offline_month", month.Value() * 1000, "ms", month.Ratio(), "<=", 0.5);
  std::printf("offline_month_cli  %.1f ms  ratio %.2f  target -  (no target)\n", month_cli.Value() * 1000,
              month_cli.Ratio());
  std::printf("bytes_per_dive  %.0f B  ratio -  target -  (no target)\n", bytes_per_dive);
  return 0;
}
