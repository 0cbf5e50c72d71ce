// Drives the desktop program and the bare view (bench_bare_view) in turns
// against a running orvelle-cloudsim and prints the desktop figures: start,
// signin, month, day50, detail10k, detail100k and memory; then, over a
// generated log book of BOOK_DIVES dives of BOOK_SAMPLES samples, the Dives
// tab's dives_tab, dives_key and dives_stats.
//   gui_bench BIN_DIR HOST:PORT CA_FILE WORK_DIR BENCH_MONTH(YYYY-MM) PAIRS BOOK_DIVES BOOK_SAMPLES
// Each process is driven through stdin; it answers with "bench" lines on
// stderr (the program's timing marks). Everything else they print goes to
// WORK_DIR/gui.log.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "logbook/copy_place.h"
#include "pairs.h"

namespace {

using orv::bench::Now;

FILE* gui_log = nullptr;

class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    int in[2], err[2];
    if (::pipe(in) != 0 || ::pipe(err) != 0) return;
    started = Now();
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(err[1], 2);
      int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      for (const auto& e : env) ::putenv(const_cast<char*>(e.c_str()));
      std::vector<char*> args;
      args.reserve(argv.size() + 1);
      for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(err[1]);
    in_ = in[1];
    err_ = err[0];
  }
  ~Child() {
    if (in_ >= 0) ::close(in_);
    if (pid_ > 0) {
      double deadline = Now() + 10;
      int status = 0;
      while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (Now() > deadline) {
          ::kill(pid_, SIGKILL);
          ::waitpid(pid_, &status, 0);
          break;
        }
        Drain(0.05);
      }
    }
    if (err_ >= 0) ::close(err_);
  }
  pid_t pid() const { return pid_; }

  // The next "bench NAME ..." line's fields after NAME; empty after 120 s or
  // when the process ended.
  std::vector<std::string> Expect(const std::string& name) {
    double deadline = Now() + 120;
    while (Now() < deadline) {
      size_t nl;
      while ((nl = buffer_.find('\n')) != std::string::npos) {
        std::string line = buffer_.substr(0, nl);
        buffer_.erase(0, nl + 1);
        std::istringstream words(line);
        std::string tag, got;
        words >> tag >> got;
        if (tag == "bench" && got == name) {
          std::vector<std::string> rest;
          for (std::string w; words >> w;) rest.push_back(w);
          return rest;
        }
        std::fprintf(gui_log, "[%d] %s\n", pid_, line.c_str());
      }
      if (!Drain(deadline - Now())) break;
    }
    std::fprintf(gui_log, "[%d] no \"%s\" mark\n", pid_, name.c_str());
    return {};
  }
  void Send(const std::string& command) {
    std::string line = command + "\n";
    if (::write(in_, line.data(), line.size()) < 0) return;
  }
  double Ask(const std::string& command, const std::string& name, std::string* extra = nullptr) {
    Send(command);
    auto r = Expect(name);
    if (extra && r.size() > 1) *extra = r[1];
    return r.empty() ? -1 : std::atof(r[0].c_str());
  }
  double started = 0;

 private:
  bool Drain(double seconds) {
    pollfd p{err_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(seconds * 1000)) <= 0) return true;
    char chunk[4096];
    ssize_t n = ::read(err_, chunk, sizeof chunk);
    if (n <= 0) return false;
    buffer_.append(chunk, static_cast<size_t>(n));
    return true;
  }
  pid_t pid_ = -1;
  int in_ = -1, err_ = -1;
  std::string buffer_;
};

// Resident memory of `root` and every process below it, in MiB.
double TreeRss(pid_t root) {
  std::map<pid_t, pid_t> parent;
  std::map<pid_t, double> rss;
  DIR* proc = ::opendir("/proc");
  while (dirent* e = proc ? ::readdir(proc) : nullptr) {
    pid_t pid = std::atoi(e->d_name);
    if (pid <= 0) continue;
    std::ifstream status("/proc/" + std::string(e->d_name) + "/status");
    for (std::string key; status >> key;) {
      if (key == "PPid:")
        status >> parent[pid];
      else if (key == "VmRSS:")
        status >> rss[pid];
      std::getline(status, key);
    }
  }
  if (proc) ::closedir(proc);
  double total = 0;
  for (auto [pid, kb] : rss) {
    for (pid_t p = pid; p > 1; p = parent.count(p) ? parent[p] : 0)
      if (p == root) {
        total += kb;
        break;
      }
  }
  return total / 1024;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 9)
    return std::fprintf(stderr, "usage: gui_bench BIN HOST:PORT CA WORK BENCH_MONTH PAIRS DIVES SAMPLES\n"), 2;
  const std::string bin = argv[1], service = argv[2], ca = argv[3], work = argv[4], bench_month = argv[5];
  const int pairs = std::max(1, std::atoi(argv[6]));
  gui_log = std::fopen((work + "/gui.log").c_str(), "w");
  if (!gui_log) return 1;
  const std::string page = work + "/one-line.htm";
  std::ofstream(page) << "<!DOCTYPE html><p>Orvelle</p>\n";
  const std::vector<std::string> program = {bin + "/orvelle-pc-tool", "--service", service, "--ca-file", ca, "--email",
                                            "demo@orvelle.test"};
  const std::vector<std::string> bare = {
      bin + "/bench_bare_view", page, bin + "/ENG/main.htm", bin + "/ENG/dive_log_cell.htm", "https://" + service, ca};
  const std::string config = "XDG_CONFIG_HOME=" + work + "/config";
  // The demo diver's saved copy lives in the run's own folder, never in the
  // home of whoever runs the benchmarks.
  const std::string seed_data = "XDG_DATA_HOME=" + work + "/seed-data";

  orv::bench::Pairs start, signin, month, day, detail10k, detail100k, memory;
  for (int i = 0; i < pairs; ++i) {
    double ours_start = 0, ours_signin = 0;
    {
      Child p(program, {config, seed_data, "ORVELLE_BENCH=start"});
      auto painted = p.Expect("painted");
      auto signed_in = p.Expect("signin");
      if (!painted.empty()) ours_start = std::atof(painted[0].c_str()) - p.started;
      if (!signed_in.empty()) ours_signin = std::atof(signed_in[0].c_str());
    }
    Child b(bare, {"BENCH_BARE=start"});
    auto painted = b.Expect("painted");
    auto signed_in = b.Expect("signin");
    start.Add(ours_start * 1000, painted.empty() ? 0 : (std::atof(painted[0].c_str()) - b.started) * 1000);
    signin.Add(ours_signin * 1000, signed_in.empty() ? 0 : std::atof(signed_in[0].c_str()) * 1000);
  }

  Child p(program, {config, seed_data, "ORVELLE_BENCH=1"});
  Child b(bare, {"BENCH_BARE=serve"});
  p.Expect("signin");
  b.Expect("signin");
  // The figures below are the program at rest: the background save that
  // sign-in starts has no twin in the bare view.
  p.Ask("saved", "saved");
  for (int i = 0; i < pairs; ++i) {
    p.Ask("idle", "idle");
    b.Ask("idle", "idle");
    memory.Add(TreeRss(p.pid()), TreeRss(b.pid()));
  }
  for (int i = 0; i < pairs; ++i) month.Add(p.Ask("month", "month") * 1000, b.Ask("month", "month") * 1000);
  p.Ask("goto " + bench_month, "goto");
  b.Ask("goto " + bench_month, "goto");
  std::string rows, bare_rows;
  for (int i = 0; i < pairs; ++i)
    day.Add(p.Ask("day 10", "day", &rows) * 1000, b.Ask("day 10", "day", &bare_rows) * 1000);
  for (int i = 0; i < pairs; ++i) {
    p.Ask("day 11", "day");
    double small = p.Ask("view 0", "view") * 1000;
    p.Ask("day 12", "day");
    double large = p.Ask("view 0", "view") * 1000;
    detail10k.Add(small, 1);
    detail100k.Add(large, small);
  }
  p.Send("quit");
  b.Send("quit");

  // The Dives tab over the generated book, saved where the program keeps
  // the demo diver's copy; it ends before the demo diver's own months, which
  // the background save adds beside it before anything is timed.
  const std::string data = work + "/book-data";
  ::setenv("XDG_DATA_HOME", data.c_str(), 1);
  orv::SavedCopyFolder(true);
  const std::string book = orv::SavedCopyPath("demo@orvelle.test");
  ::unsetenv("XDG_DATA_HOME");
  const std::string make = "'" + bin + "/orvelle-bookgen' --out '" + book + "' --dives " + argv[7] + " --samples " +
                           argv[8] + " --end 2019-12 >>'" + work + "/gui.log' 2>&1";
  if (std::system(make.c_str()) != 0) return std::fprintf(stderr, "orvelle-bookgen failed\n"), 1;
  orv::bench::Pairs tab, key, stats;
  {
    Child d(program, {config, "XDG_DATA_HOME=" + data, "ORVELLE_BENCH=1"});
    d.Expect("signin");
    d.Ask("saved", "saved");
    std::string shown, narrowed, charts;
    for (int i = 0; i < pairs; ++i) {
      tab.Add(d.Ask("dives", "dives", &shown) * 1000, 1);
      // A keystroke that narrows the list, then one that brings it all back.
      key.Add(d.Ask("dives_key o", "dives_key", &narrowed) * 1000, 1);
      key.Add(d.Ask("dives_key", "dives_key") * 1000, 1);
      stats.Add(d.Ask("dives_stats", "dives_stats", &charts) * 1000, 1);
    }
    d.Send("quit");
    std::fprintf(stderr, "dives: %s listed, %s after one keystroke, %s charts\n", shown.c_str(), narrowed.c_str(),
                 charts.c_str());
  }
  std::fprintf(stderr,
               "gui: %d pairs; day rows %s (bare %s); bare start %.0f ms, signin %.0f ms, month %.1f ms, "
               "day %.1f ms, memory %.0f MiB\n",
               pairs, rows.c_str(), bare_rows.c_str(), orv::bench::Median(start.base), orv::bench::Median(signin.base),
               orv::bench::Median(month.base), orv::bench::Median(day.base), orv::bench::Median(memory.base));
  orv::bench::PrintFigure("start", start.Value(), "ms", start.Ratio(), "<=", 1.3);
  orv::bench::PrintFigure("signin", signin.Value(), "ms", signin.Ratio(), "<=", 1.5);
  orv::bench::PrintFigure("month", month.Value(), "ms", month.Ratio(), "<=", 1.2);
  orv::bench::PrintFigure("day50", day.Value(), "ms", day.Ratio(), "<=", 1.5);
  orv::bench::PrintFigure("detail10k", detail10k.Value(), "ms", -1, "<=", 30);
  orv::bench::PrintFigure("detail100k", detail100k.Value(), "ms", detail100k.Ratio(), "<=", 12);
  orv::bench::PrintFigure("memory", memory.Value(), "MiB", memory.Ratio(), "<=", 1.3);
  orv::bench::PrintFigure("dives_tab", tab.Value(), "ms", -1, "<=", 200);
  orv::bench::PrintFigure("dives_key", key.Value(), "ms", -1, "<=", 50);
  orv::bench::PrintFigure("dives_stats", stats.Value(), "ms", -1, "<=", 300);
  return 0;
}
