// orvelle-devsim: a virtual dive computer on a pseudo-terminal.
//
//   orvelle-devsim --image FILE [--link PATH] [--firmware 1.005] [--model Q7]
//                  [--identity N] [--log FILE] [--fault NAME[=N]]...
//
// Prints the slave side's path as its first line, then answers the command
// packets from the memory image until it is killed. See docs/device.md.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "image_layout.h"
#include "pty_server.h"
#include "responder.h"

namespace {

void PrintUsage(std::ostream& out) {
  out << "usage: orvelle-devsim --image FILE [--link PATH] [--firmware TEXT] [--model TEXT]\n"
         "                      [--identity N] [--log FILE] [--fault NAME[=N]]...\n"
         "faults: silence=N wrong-command=N wrong-index=N hangup=N trickle[=MICROSECONDS]\n"
         "        bad-checksum write-refused\n";
}

int Usage(const std::string& why) {
  std::cerr << "orvelle-devsim: " << why << "\n";
  PrintUsage(std::cerr);
  return 2;
}

bool ParseCount(const std::string& text, uint64_t& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  unsigned long long v = std::strtoull(text.c_str(), &end, 0);
  if (errno || *end || text[0] == '-') return false;
  out = v;
  return true;
}

bool ApplyFault(const std::string& spec, orv::devsim::DeviceProfile& profile, orv::devsim::LineFaults& line) {
  auto eq = spec.find('=');
  std::string name = spec.substr(0, eq);
  std::string arg = eq == std::string::npos ? "" : spec.substr(eq + 1);
  uint64_t n = 0;
  if (name == "bad-checksum" && arg.empty()) return profile.bad_checksum = true;
  if (name == "write-refused" && arg.empty()) return profile.write_refused = true;
  if (name == "trickle") {
    if (arg.empty())
      n = 200;
    else if (!ParseCount(arg, n) || n == 0 || n > 1000000)
      return false;
    line.trickle_us = static_cast<uint32_t>(n);
    return true;
  }
  if (!ParseCount(arg, n)) return false;
  if (name == "silence") return line.silence_after = n, true;
  if (n == 0) return false;
  if (name == "wrong-command")
    line.wrong_command = n;
  else if (name == "wrong-index")
    line.wrong_index = n;
  else if (name == "hangup")
    line.hangup_after = n;
  else
    return false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace orv::devsim;
  std::string image_path, link_path, log_path;
  DeviceProfile profile;
  LineFaults line;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::cout << "orvelle-devsim: a virtual dive computer on a pseudo-terminal\n";
      PrintUsage(std::cout);
      return 0;
    }
    if (i + 1 >= argc) return Usage(a + " needs a value");
    std::string v = argv[++i];
    uint64_t n = 0;
    if (a == "--image")
      image_path = v;
    else if (a == "--link")
      link_path = v;
    else if (a == "--log")
      log_path = v;
    else if (a == "--firmware")
      profile.firmware = v;
    else if (a == "--model")
      profile.model = v;
    else if (a == "--identity" && ParseCount(v, n) && n <= UINT32_MAX)
      profile.identity = static_cast<uint32_t>(n);
    else if (a == "--fault") {
      if (!ApplyFault(v, profile, line)) return Usage("unknown fault " + v);
    } else {
      return Usage("bad option " + a + " " + v);
    }
  }
  if (image_path.empty()) return Usage("--image is required");

  MemoryImage image;
  bool created = false;
  if (!image.Open(image_path, kImageSize, created)) {
    std::cerr << "orvelle-devsim: " << image.error() << "\n";
    return 1;
  }
  if (created) PrepareNewImage(image);

  PtyServer server;
  if (!server.Open()) {
    std::cerr << "orvelle-devsim: " << server.error() << "\n";
    return 1;
  }
  if (!link_path.empty()) {
    ::unlink(link_path.c_str());
    if (::symlink(server.slave_path().c_str(), link_path.c_str()) != 0) {
      std::cerr << "orvelle-devsim: " << link_path << ": " << std::strerror(errno) << "\n";
      return 1;
    }
  }
  std::cout << server.slave_path() << std::endl;

  std::ofstream log;
  if (!log_path.empty()) log.open(log_path, std::ios::app);
  Responder::Log log_line;
  if (log.is_open()) log_line = [&log](const std::string& text) { log << text << std::endl; };
  Responder responder(image, profile, log_line);
  server.Serve(responder, line);
}
