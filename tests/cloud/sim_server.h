// Runs a real orvelle-cloudsim on a free loopback port in a private folder
// for the length of a test suite.
#pragma once

#include <sys/types.h>
#include <string>

namespace orv::test {

class SimServer {
 public:
  // Starts the simulator with the logbook ending in June 2024; false when it
  // did not report listening within 10 s.
  bool Start();
  void Stop();
  ~SimServer() { Stop(); }

  int port() const { return port_; }
  // The simulator's tile server: "https://127.0.0.1:N/tiles/{z}/{x}/{y}.png".
  std::string tile_url_template() const;
  // Switches the tile server to "serve", "stall" or "stop"; false when it
  // did not take the mode.
  bool SetTiles(const std::string& mode) const;
  // Tile requests the tile server has received so far; -1 when unknown.
  long TileRequests() const;
  const std::string& dir() const { return dir_; }
  std::string ca_file() const { return dir_ + "/ca.pem"; }
  std::string origin() const { return "https://127.0.0.1:" + std::to_string(port_); }
  // Points the client library at this server (port, CA, short stall time).
  void Use() const;
  // Sets a test switch: endpoint name and fault mode ("none" clears).
  bool SetFault(const std::string& endpoint, const std::string& mode) const;
  // Switches how the update information and files are served ("normal",
  // "slow", "info_endless", ...: see the simulator's update routes).
  bool SetUpdateMode(const std::string& mode) const;
  // How many requests reached the endpoint so far; -1 when not asked.
  int Hits(const std::string& endpoint) const;

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  int tile_port_ = 0;
  std::string dir_;
};

}  // namespace orv::test
