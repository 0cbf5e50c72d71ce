#include "sim_server.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "cloud/service_config.h"

namespace orv::test {

bool SimServer::Start() {
  char tmpl[] = "/tmp/orvelle-cloudsim-XXXXXX";
  if (!mkdtemp(tmpl)) return false;
  dir_ = tmpl;
  int out[2];
  if (pipe(out) != 0) return false;
  pid_ = fork();
  if (pid_ == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    std::string exe = std::string(ORVELLE_BIN_DIR) + "/orvelle-cloudsim";
    execl(exe.c_str(), exe.c_str(), "--port", "0", "--data", dir_.c_str(), "--seed-month", "2024-06",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  std::string line;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char buf[256];
    ssize_t n = read(out[0], buf, sizeof buf);
    if (n <= 0) break;
    line.append(buf, n);
  }
  close(out[0]);
  auto colon = line.rfind(':');
  if (line.rfind("listening on https://127.0.0.1:", 0) != 0 || colon == std::string::npos) return false;
  port_ = std::atoi(line.c_str() + colon + 1);
  return port_ > 0;
}

void SimServer::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    // A simulator that does not stop on SIGTERM fails its tests, not the run.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        std::fprintf(stderr, "orvelle-cloudsim ignored SIGTERM\n");
        break;
      }
      usleep(10000);
    }
    pid_ = -1;
  }
  if (!dir_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    dir_.clear();
  }
}

void SimServer::Use() const {
  ServiceConfig& cfg = Service();
  cfg.host = "127.0.0.1";
  cfg.port = port_;
  cfg.ca_file = ca_file();
  cfg.stall_seconds = 2;
  cfg.request_timeout_ms = 20000;
}

bool SimServer::SetFault(const std::string& endpoint, const std::string& mode) const {
  HttpPost http;
  http.Connect("127.0.0.1", port_);
  std::string body = "endpoint=" + FormEncode(endpoint) + "&mode=" + FormEncode(mode);
  return http.Request("POST", "_sim/fault", "", body, false) == "ok\n";
}

}  // namespace orv::test
