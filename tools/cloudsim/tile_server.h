// The simulator's tile server: "/tiles/{z}/{x}/{y}.png" on a port of its
// own, so tests can make it misbehave without touching the service:
//   serve  answers (ETag, "Cache-Control: no-cache", 304 on a matching
//          If-None-Match)
//   stall  takes requests and never answers
//   stop   closes the port (connections are refused) until "serve"
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "tls_setup.h"

namespace httplib {
class SSLServer;
}

namespace orv::sim {

class TileServer {
 public:
  explicit TileServer(const ServerIdentity& identity) : identity_(identity) {}
  ~TileServer();
  // Listens on 127.0.0.1:`port` (0: any free port); the port, or -1.
  int Start(int port);
  // "serve", "stall" or "stop"; false for anything else.
  bool SetMode(const std::string& mode);
  // "<mode> <tile requests so far>".
  std::string Status();

 private:
  bool Listen();
  void Close();

  const ServerIdentity& identity_;
  std::mutex mutex_;
  std::unique_ptr<httplib::SSLServer> server_;
  std::thread thread_;
  int port_ = 0;
  std::string mode_ = "serve";
  std::atomic<bool> stalling_{false};
  std::atomic<long> requests_{0};
};

}  // namespace orv::sim
