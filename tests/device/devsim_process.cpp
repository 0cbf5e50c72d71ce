#include "devsim_process.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace orv::test {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "orvelle-device-XXXXXX").string();
  if (::mkdtemp(tmpl.data())) path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

Devsim::Devsim(const std::string& image, const std::vector<std::string>& args) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return;
  std::vector<std::string> argv = {ORVELLE_BIN_DIR "/orvelle-devsim", "--image", image};
  argv.insert(argv.end(), args.begin(), args.end());
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    std::vector<char*> c;
    c.reserve(argv.size() + 1);
    for (auto& a : argv) c.push_back(a.data());
    c.push_back(nullptr);
    ::execv(c[0], c.data());
    ::_exit(127);
  }
  ::close(out[1]);
  // The first line names the slave; give a slow machine a few seconds.
  std::string line;
  char ch;
  pollfd p{out[0], POLLIN, 0};
  while (::poll(&p, 1, 5000) > 0 && ::read(out[0], &ch, 1) == 1 && ch != '\n') line.push_back(ch);
  ::close(out[0]);
  if (line.rfind("/dev/", 0) == 0) slave_ = line;
}

Devsim::~Devsim() { Stop(); }

void Devsim::Stop() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  pid_ = -1;
  slave_.clear();
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

int OpenDescriptorCount() {
  int n = 0;
  if (DIR* d = ::opendir("/proc/self/fd")) {
    while (::readdir(d)) ++n;
    ::closedir(d);
  }
  return n;
}

}  // namespace orv::test
