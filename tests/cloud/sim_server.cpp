#include "sim_server.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
    execl(exe.c_str(), exe.c_str(), "--port", "0", "--data", dir_.c_str(), "--seed-month", "2024-06", "--tile-port",
          "0", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  std::string line;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  // Two lines: the service's address, then the tile server's.
  auto lines = [&] { return std::count(line.begin(), line.end(), '\n'); };
  while (lines() < 2 && std::chrono::steady_clock::now() < deadline) {
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char buf[256];
    ssize_t n = read(out[0], buf, sizeof buf);
    if (n <= 0) break;
    line.append(buf, n);
  }
  close(out[0]);
  const std::string first = line.substr(0, line.find('\n'));
  auto colon = first.rfind(':');
  if (first.rfind("listening on https://127.0.0.1:", 0) != 0 || colon == std::string::npos) return false;
  port_ = std::atoi(first.c_str() + colon + 1);
  const std::string tiles_line = "tiles on https://127.0.0.1:";
  if (auto at = line.find(tiles_line); at != std::string::npos)
    tile_port_ = std::atoi(line.c_str() + at + tiles_line.size());
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

std::string SimServer::tile_url_template() const {
  return "https://127.0.0.1:" + std::to_string(tile_port_) + "/tiles/{z}/{x}/{y}.png";
}

bool SimServer::SetTiles(const std::string& mode) const {
  HttpPost http;
  http.Connect("127.0.0.1", port_);
  return http.Request("POST", "_sim/tiles", "", "mode=" + FormEncode(mode), BodyType::Form).body.rfind(mode + " ", 0) ==
         0;
}

long SimServer::TileRequests() const {
  HttpPost http;
  http.Connect("127.0.0.1", port_);
  const std::string status = http.Request("GET", "_sim/tiles", "", "", BodyType::Form).body;
  const auto space = status.find(' ');
  return space == std::string::npos ? -1 : std::atol(status.c_str() + space + 1);
}

bool SimServer::SetFault(const std::string& endpoint, const std::string& mode) const {
  HttpPost http;
  http.Connect("127.0.0.1", port_);
  std::string body = "endpoint=" + FormEncode(endpoint) + "&mode=" + FormEncode(mode);
  return http.Request("POST", "_sim/fault", "", body, BodyType::Form).body == "ok\n";
}

bool SimServer::SetUpdateMode(const std::string& mode) const {
  HttpPost http;
  http.Connect("127.0.0.1", port_);
  return http.Request("POST", "_sim/updates", "", "mode=" + FormEncode(mode), BodyType::Form).body == "ok\n";
}

int SimServer::Hits(const std::string& endpoint) const {
  HttpPost http;
  http.Connect("127.0.0.1", port_);
  std::string body = http.Request("GET", "_sim/hits?endpoint=" + FormEncode(endpoint), "", "", BodyType::Form).body;
  return body.empty() ? -1 : std::atoi(body.c_str());
}

}  // namespace orv::test
