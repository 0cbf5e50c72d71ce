// Runs orvelle-devsim for a test: a fresh temporary image folder, the slave
// path from its first output line, and the process killed at the end.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace orv::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

class Devsim {
 public:
  // Starts the simulator on `image` with extra arguments (--fault ...).
  Devsim(const std::string& image, const std::vector<std::string>& args = {});
  ~Devsim();
  Devsim(const Devsim&) = delete;
  Devsim& operator=(const Devsim&) = delete;

  bool running() const { return !slave_.empty(); }
  const std::string& slave() const { return slave_; }
  void Stop();

 private:
  pid_t pid_ = -1;
  std::string slave_;
};

// Lines of a text file (the simulator's --log).
std::vector<std::string> ReadLines(const std::string& path);

// Number of open descriptors of this process, to see that nothing leaked.
int OpenDescriptorCount();

}  // namespace orv::test
