// The dive computer's side of the packet protocol, independent of the line
// it runs on: takes one request packet, produces the reply packets.
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device/command_packet.h"
#include "memory_image.h"

namespace orv::devsim {

struct DeviceProfile {
  std::string firmware = "1.005";  // up to 6 characters
  std::string model = "Q7";        // up to 12 UTF-8 bytes
  uint32_t identity = 52001;
  bool bad_checksum = false;   // fault: every read end's checksum is off by one
  bool write_refused = false;  // fault: every write result is 0
};

class Responder {
 public:
  using Packet = device::CommandPacket;
  using Log = std::function<void(const std::string&)>;

  Responder(MemoryImage& image, DeviceProfile profile, Log log = {});

  // Appends the replies to `request` (none for data packets, end, finish).
  // After the finish command the device reports the firmware version the
  // written image names, as a real one does once it has restarted.
  void Handle(const Packet& request, std::vector<Packet>& replies);
  // The line went quiet (the program closed the port): forget a half-sent
  // block.
  void Reset();
  // Logs "closed": the program that used the port has closed it, so nothing
  // more of its run can arrive (tests wait for this line).
  void NoteClosed();

  static Packet IdentifyReply(const DeviceProfile& profile);

 private:
  void ReadBlock(const Packet& request, std::vector<Packet>& replies);
  void Commit(const Packet& request, std::vector<Packet>& replies);

  MemoryImage& image_;
  DeviceProfile profile_;
  Log log_;
  std::vector<uint8_t> pending_;  // the block being written
  std::bitset<device::kPacketsPerBlock> received_;
  // The version a firmware block written since the last identify names;
  // the device runs it once the finish command has come.
  std::string written_firmware_;
};

}  // namespace orv::devsim
