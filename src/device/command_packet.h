// The dive computer's 40-byte command packet: layout, command codes and the
// block checksum. Pure data handling, no I/O.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace orv::device {

inline constexpr size_t kPacketSize = 40;
inline constexpr size_t kPayloadOffset = 8;
inline constexpr size_t kPayloadSize = 32;
inline constexpr size_t kBlockSize = 4096;
// The dive computer's whole memory: no read or write reaches past it.
inline constexpr uint64_t kMemoryBytes = 0x1000000;                      // 16 MiB
inline constexpr uint32_t kPacketsPerBlock = kBlockSize / kPayloadSize;  // 128

// Command codes of the packet's 16-bit command field.
enum class Command : uint16_t {
  Identify = 0x0030,
  IdentifyReply = 0xAAAA,
  ReadRequest = 0x0001,
  Data = 0x0005,
  ReadEnd = 0x0002,
  WriteCommit = 0x0003,
  WriteResult = 0x0004,
  End = 0x9997,
  Finish = 0x9999,
};

inline constexpr uint8_t kCommitMarker = 0xAA;

class CommandPacket {
 public:
  using Bytes = std::array<uint8_t, kPacketSize>;

  CommandPacket() { bytes_.fill(0); }
  explicit CommandPacket(const Bytes& bytes) : bytes_(bytes) {}

  // Requests the system sends; every byte a command does not set stays 0.
  static CommandPacket Plain(Command command);  // identify, end, finish
  static CommandPacket ReadRequest(uint32_t address, uint32_t count);
  static CommandPacket Data(uint32_t index, std::span<const uint8_t, kPayloadSize> payload);
  static CommandPacket WriteCommit(uint32_t address, uint32_t checksum);

  uint8_t marker() const { return bytes_[0]; }
  uint8_t payload_length() const { return bytes_[1]; }
  uint16_t command() const { return U16(2); }
  uint32_t index() const { return U32(4); }
  bool Is(Command c) const { return command() == static_cast<uint16_t>(c); }

  void set_marker(uint8_t v) { bytes_[0] = v; }
  void set_payload_length(uint8_t v) { bytes_[1] = v; }
  void set_command(Command c) { SetU16(2, static_cast<uint16_t>(c)); }
  void set_command_code(uint16_t c) { SetU16(2, c); }
  void set_index(uint32_t v) { SetU32(4, v); }

  // Little-endian fields at a byte offset of the whole packet.
  uint16_t U16(size_t offset) const;
  uint32_t U32(size_t offset) const;
  void SetU16(size_t offset, uint16_t v);
  void SetU32(size_t offset, uint32_t v);

  std::span<const uint8_t, kPayloadSize> payload() const {
    return std::span<const uint8_t, kPayloadSize>(bytes_.data() + kPayloadOffset, kPayloadSize);
  }
  std::span<uint8_t, kPayloadSize> payload() {
    return std::span<uint8_t, kPayloadSize>(bytes_.data() + kPayloadOffset, kPayloadSize);
  }

  const Bytes& bytes() const { return bytes_; }
  Bytes& bytes() { return bytes_; }

 private:
  Bytes bytes_;
};

// The sum of the block's bytes as unsigned values, modulo 2^32.
uint32_t BlockChecksum(std::span<const uint8_t> block);

}  // namespace orv::device
