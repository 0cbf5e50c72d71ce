// Whole 40-byte packets over an open serial port, each bounded by a deadline.
//
// A device that stops answering must not freeze the program, so every packet
// read and write has a time limit. Reads go through a small read-ahead buffer:
// the device streams 129 packets per block and taking them one system call
// each would cost far more than the line itself.
//
// The bytes move by plain non-blocking read and write on the port's
// descriptor, waiting in poll only when the line has nothing: a block
// exchange then costs the same system calls as the bare line does, where an
// event loop turn per transfer added a third to the time of a block.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <span>
#include <vector>

#include <boost/asio/serial_port.hpp>

#include "device/command_packet.h"

namespace orv::device {

// Stopped: its operation (Cancellable::Current) was cancelled while the link waited.
enum class LinkStatus { Ok, Timeout, HangUp, Error, Stopped };

class PacketLink {
 public:
  explicit PacketLink(boost::asio::serial_port& port);

  LinkStatus Write(const CommandPacket& packet, std::chrono::milliseconds deadline);
  // Several packets back to back (a block's data packets) in as few system
  // calls as the line allows; the deadline bounds each stretch without
  // progress, as if every packet were written on its own.
  LinkStatus WriteAll(std::span<const CommandPacket> packets, std::chrono::milliseconds deadline);
  LinkStatus Read(CommandPacket& packet, std::chrono::milliseconds deadline);

  // Whether a stop request cuts a wait short (the default). The closing
  // commands turn it off: they are what a stopped operation still owes.
  void set_stoppable(bool stoppable) { stoppable_ = stoppable; }

  // Counts of whole packets moved, for diagnostics and tests.
  size_t packets_written() const { return written_; }
  size_t packets_read() const { return read_; }

 private:
  // Waits until the port can be read (or written), the deadline passes or a
  // stop is requested.
  LinkStatus WaitFor(short events, std::chrono::steady_clock::time_point until);
  int Descriptor();

  boost::asio::serial_port& port_;
  int non_blocking_fd_ = -1;  // the descriptor made non-blocking last
  std::array<uint8_t, 8192> buffer_{};
  std::vector<uint8_t> out_;
  size_t begin_ = 0;
  size_t end_ = 0;
  size_t written_ = 0;
  size_t read_ = 0;
  bool stoppable_ = true;
  bool awaiting_answer_ = false;  // a write went out since the last read
};

}  // namespace orv::device
