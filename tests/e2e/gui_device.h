// The service and a virtual dive computer for one GUI test, with the program
// pointed at both. The simulator logs what it receives into log(); the port
// override is cleared when the test ends, whatever it asserted.
#pragma once

#include <string>
#include <vector>

#include "device/device_port.h"
#include "devsim_process.h"
#include "sim_server.h"

namespace orv::e2e {

class ServiceAndDevice {
 public:
  explicit ServiceAndDevice(const std::vector<std::string>& devsim_args = {})
      : started(server.Start()), devsim(tmp.File("image.bin"), WithLog(devsim_args, log())) {
    if (started) server.Use();
    if (devsim.running()) device::SetDevicePathOverride(devsim.slave());
  }
  ~ServiceAndDevice() { device::SetDevicePathOverride(""); }
  ServiceAndDevice(const ServiceAndDevice&) = delete;
  ServiceAndDevice& operator=(const ServiceAndDevice&) = delete;

  bool running() const { return started && devsim.running(); }
  std::string log() const { return tmp.File("log.txt"); }

  // In this order: the simulator's image lies in tmp.
  test::SimServer server;
  test::TempDir tmp;
  const bool started;
  test::Devsim devsim;

 private:
  static std::vector<std::string> WithLog(std::vector<std::string> args, const std::string& log) {
    args.insert(args.end(), {"--log", log});
    return args;
  }
};

}  // namespace orv::e2e
