#include "device/command_packet.h"

#include <algorithm>
#include <cstring>

namespace orv::device {

CommandPacket CommandPacket::Plain(Command command) {
  CommandPacket p;
  p.set_command(command);
  return p;
}

CommandPacket CommandPacket::ReadRequest(uint32_t address, uint32_t count) {
  CommandPacket p;
  p.set_payload_length(8);
  p.set_command(Command::ReadRequest);
  p.SetU32(8, address);
  p.SetU32(12, count);
  return p;
}

CommandPacket CommandPacket::Data(uint32_t index, std::span<const uint8_t, kPayloadSize> payload) {
  CommandPacket p;
  p.set_payload_length(static_cast<uint8_t>(kPayloadSize));
  p.set_command(Command::Data);
  p.set_index(index);
  std::copy(payload.begin(), payload.end(), p.payload().begin());
  return p;
}

CommandPacket CommandPacket::WriteCommit(uint32_t address, uint32_t checksum) {
  CommandPacket p;
  p.set_marker(kCommitMarker);
  p.set_payload_length(12);
  p.set_command(Command::WriteCommit);
  p.SetU32(8, address);
  p.SetU32(12, static_cast<uint32_t>(kBlockSize));
  p.SetU32(16, checksum);
  return p;
}

uint16_t CommandPacket::U16(size_t offset) const {
  return static_cast<uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
}

uint32_t CommandPacket::U32(size_t offset) const {
  return static_cast<uint32_t>(bytes_[offset]) | (static_cast<uint32_t>(bytes_[offset + 1]) << 8) |
         (static_cast<uint32_t>(bytes_[offset + 2]) << 16) | (static_cast<uint32_t>(bytes_[offset + 3]) << 24);
}

void CommandPacket::SetU16(size_t offset, uint16_t v) {
  bytes_[offset] = static_cast<uint8_t>(v);
  bytes_[offset + 1] = static_cast<uint8_t>(v >> 8);
}

void CommandPacket::SetU32(size_t offset, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) bytes_[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t BlockChecksum(std::span<const uint8_t> block) {
  // Eight bytes at a time into four 16-bit lanes (two bytes each per word):
  // byte by byte this sum took a tenth of a block exchange's processor time.
  // 128 words per round keep every lane below 65536.
  constexpr uint64_t kEvenBytes = 0x00FF00FF00FF00FFull;
  uint32_t sum = 0;
  size_t i = 0;
  while (block.size() - i >= 8) {
    const size_t words = std::min<size_t>((block.size() - i) / 8, 128);
    uint64_t lanes = 0;
    for (size_t w = 0; w < words; ++w, i += 8) {
      uint64_t v;
      std::memcpy(&v, block.data() + i, 8);
      lanes += (v & kEvenBytes) + ((v >> 8) & kEvenBytes);
    }
    sum +=
        static_cast<uint32_t>((lanes & 0xFFFF) + ((lanes >> 16) & 0xFFFF) + ((lanes >> 32) & 0xFFFF) + (lanes >> 48));
  }
  for (; i < block.size(); ++i) sum += block[i];
  return sum;
}

}  // namespace orv::device
