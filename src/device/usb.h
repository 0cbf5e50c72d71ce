// The dive computer's operations over its open port: identify, read and write
// 4096-byte memory blocks, and the two closing commands.
//
// Every operation reports failure by its result and never throws. A packet
// that does not arrive within its deadline, a hang-up, a reply out of step or
// a checksum mismatch fails the operation; no attempt is made to bring the
// stream back in step, the caller ends the operation with SendEnd(). So does
// a cancel of its operation (Cancellable::Current): no packet goes out or is waited for after
// it, except the closing commands.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include <boost/asio/serial_port.hpp>

#include "device/packet_link.h"

namespace orv::device {

struct Deadlines {
  // Longest wait for any one packet to go out or arrive completely.
  std::chrono::milliseconds packet{3000};
  // The write result comes after the device has flashed the block.
  std::chrono::milliseconds write_result{10000};
};

// Why the last operation failed, for logs and tests; callers map any failure
// to NOT_SUPPOR_DEVICE (identify) or USB_ERROR (blocks).
enum class UsbFault { None, Timeout, HangUp, Io, WrongCommand, WrongIndex, Checksum, Refused, Stopped };
const char* FaultName(UsbFault fault);

class Usb {
 public:
  // Bound to an open port and the I/O service it was created on.
  Usb(boost::asio::serial_port& port, Deadlines deadlines = {});

  // Identify: the version and model stay as they were when their reply field
  // is empty; the identity value is always taken.
  bool Identify(std::string& firmware_version, uint32_t& identity, std::string& model);
  // Reads the 4096-byte block at `address` and copies its first `count` bytes
  // (at most 4096; larger asks are clamped) to `destination`. The checksum
  // covers the whole block whatever `count` is.
  bool ReadBlock(uint32_t address, uint8_t* destination, uint32_t count);
  // Writes the 4096 bytes at `source` to the block at `address`.
  bool WriteBlock(uint32_t address, const uint8_t* source);
  // The closing commands; no reply is read and no failure is reported.
  void SendEnd();
  void SendFinish();

  UsbFault last_fault() const { return fault_; }
  const Deadlines& deadlines() const { return deadlines_; }
  void set_deadlines(const Deadlines& d) { deadlines_ = d; }
  const PacketLink& link() const { return link_; }

 private:
  bool Send(const CommandPacket& packet);
  bool Receive(CommandPacket& packet, std::chrono::milliseconds deadline);
  void SendClosing(Command command);
  bool Fail(UsbFault fault);

  PacketLink link_;
  Deadlines deadlines_;
  UsbFault fault_ = UsbFault::None;
};

// Sends the end command when it ends, however the operation ends.
class EndGuard {
 public:
  explicit EndGuard(Usb& usb) : usb_(usb) {}
  ~EndGuard() { usb_.SendEnd(); }
  EndGuard(const EndGuard&) = delete;
  EndGuard& operator=(const EndGuard&) = delete;

 private:
  Usb& usb_;
};

}  // namespace orv::device
