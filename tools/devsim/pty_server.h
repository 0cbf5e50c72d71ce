// The simulated dive computer's line: the master side of a pseudo-terminal
// pair, with the faults tests inject into it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "responder.h"

namespace orv::devsim {

// Line faults; 0 means off. Packet counts start at 1; silence=0 never answers.
struct LineFaults {
  std::optional<uint64_t> silence_after;  // answer nothing once this many packets came in
  uint64_t wrong_command = 0;             // the Nth packet sent echoes the request's command
  uint64_t wrong_index = 0;               // the Nth packet sent carries its index + 1
  uint64_t hangup_after = 0;              // close the line after sending this many packets
  uint32_t trickle_us = 0;                // send byte by byte with this pause between bytes
};

class PtyServer {
 public:
  ~PtyServer();

  // Opens the pair and puts the slave side into raw mode. False with error().
  bool Open();
  const std::string& slave_path() const { return slave_path_; }
  // The master side, for a benchmark's raw loop before Serve() takes over.
  int master_fd() const { return master_; }
  const std::string& error() const { return error_; }

  // Answers packets until the process is killed. After an injected hang-up
  // the line stays dead.
  [[noreturn]] void Serve(Responder& responder, const LineFaults& faults);

 private:
  // Sends a request's replies as one stream, faults applied.
  void SendReplies(const Responder::Packet& request, const std::vector<Responder::Packet>& replies,
                   const LineFaults& faults);
  bool WriteBytes(const uint8_t* data, size_t size, uint32_t trickle_us);
  bool ProgramGone() const;
  void HangUp();

  int master_ = -1;
  std::string slave_path_;
  std::string error_;
  uint64_t received_ = 0;
  uint64_t sent_ = 0;
  std::vector<uint8_t> out_;
};

}  // namespace orv::devsim
