#include "tile_server.h"

#include <httplib.h>

#include <chrono>

#include "tile_image.h"

namespace orv::sim {

TileServer::~TileServer() {
  std::lock_guard lock(mutex_);
  Close();
}

bool TileServer::Listen() {
  server_ = std::make_unique<httplib::SSLServer>(identity_.cert, identity_.key);
  if (!server_->is_valid()) return false;
  server_->set_tcp_nodelay(true);
  server_->Get(
      R"(/tiles/(\d{1,7})/(\d{1,7})/(\d{1,7})\.png)", [this](const httplib::Request& req, httplib::Response& res) {
        ++requests_;
        // A stalled server holds the connection without a byte until told otherwise.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(10);
        while (stalling_ && std::chrono::steady_clock::now() < deadline)
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const int z = std::stoi(req.matches[1]), x = std::stoi(req.matches[2]), y = std::stoi(req.matches[3]);
        if (z > 19 || x >= (1 << z) || y >= (1 << z)) {
          res.status = 404;
          return;
        }
        const std::string etag = "\"" + std::to_string(z) + "-" + std::to_string(x) + "-" + std::to_string(y) + "-1\"";
        res.set_header("ETag", etag);
        res.set_header("Cache-Control", "no-cache");
        if (req.get_header_value("If-None-Match") == etag) {
          res.status = 304;
          return;
        }
        res.set_content(TilePng(z, x, y), "image/png");
      });
  if (port_ == 0)
    port_ = server_->bind_to_any_port("127.0.0.1");
  else if (!server_->bind_to_port("127.0.0.1", port_))
    return false;
  if (port_ <= 0) return false;
  httplib::SSLServer* s = server_.get();
  thread_ = std::thread([s] { s->listen_after_bind(); });
  return true;
}

void TileServer::Close() {
  stalling_ = false;
  if (!server_) return;
  // stop() only ends a loop that runs; one just started may not be yet.
  for (int i = 0; i < 200 && !server_->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  server_->stop();
  if (thread_.joinable()) thread_.join();
  server_.reset();
}

int TileServer::Start(int port) {
  std::lock_guard lock(mutex_);
  port_ = port;
  return Listen() ? port_ : -1;
}

bool TileServer::SetMode(const std::string& mode) {
  std::lock_guard lock(mutex_);
  if (mode != "serve" && mode != "stall" && mode != "stop") return false;
  if (mode == "stop") Close();
  if (mode != "stop" && !server_ && !Listen()) return false;
  stalling_ = mode == "stall";
  mode_ = mode;
  return true;
}

std::string TileServer::Status() {
  std::lock_guard lock(mutex_);
  return mode_ + " " + std::to_string(requests_.load()) + "\n";
}

}  // namespace orv::sim
