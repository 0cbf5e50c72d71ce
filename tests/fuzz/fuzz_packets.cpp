// Device packets as they arrive from the line: the first 40 bytes are taken
// as an identify reply (short inputs are zero-filled like an untouched
// packet), everything after them as a memory block for the checksum.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "device/command_packet.h"
#include "device/device_identity.h"
#include "fuzz_check.h"

using namespace orv::device;

namespace {

void CheckIdentify(const CommandPacket& reply) {
  std::string version = "keep";
  std::string model = "keep";
  uint32_t identity = 0;
  ApplyIdentifyReply(reply, version, identity, model);
  FUZZ_CHECK(identity == reply.U32(20));
  // An empty field leaves the text alone; anything else is replaced by valid
  // UTF-8 of bounded size (6 UTF-16 units, 12 bytes).
  if (reply.U16(8) == 0)
    FUZZ_CHECK(version == "keep");
  else
    FUZZ_CHECK(fuzz::IsValidUtf8(version) && !version.empty() && version.size() <= 6 * 3);
  if (reply.bytes()[24] == 0)
    FUZZ_CHECK(model == "keep");
  else
    FUZZ_CHECK(fuzz::IsValidUtf8(model) && !model.empty() && model.size() <= 12 * 3);
}

void CheckFields(const CommandPacket& p) {
  const auto& b = p.bytes();
  FUZZ_CHECK(p.marker() == b[0] && p.payload_length() == b[1]);
  FUZZ_CHECK(p.command() == (b[2] | (b[3] << 8)));
  FUZZ_CHECK(std::equal(p.payload().begin(), p.payload().end(), b.begin() + kPayloadOffset));
  // Writing back what was read changes nothing.
  CommandPacket copy(b);
  copy.set_command_code(p.command());
  copy.set_index(p.index());
  for (size_t off = kPayloadOffset; off + 4 <= kPacketSize; off += 4) copy.SetU32(off, p.U32(off));
  FUZZ_CHECK(copy.bytes() == b);
}

void CheckBuilders(const CommandPacket& p) {
  // The requests built from fields read off the packet carry those fields.
  const uint32_t a = p.U32(8), n = p.U32(12);
  CommandPacket read = CommandPacket::ReadRequest(a, n);
  FUZZ_CHECK(read.Is(Command::ReadRequest) && read.U32(8) == a && read.U32(12) == n);
  CommandPacket data = CommandPacket::Data(p.index(), p.payload());
  FUZZ_CHECK(data.Is(Command::Data) && data.index() == p.index() && data.payload_length() == kPayloadSize);
  FUZZ_CHECK(std::equal(data.payload().begin(), data.payload().end(), p.payload().begin()));
  CommandPacket commit = CommandPacket::WriteCommit(a, n);
  FUZZ_CHECK(commit.marker() == kCommitMarker && commit.U32(8) == a && commit.U32(12) == kBlockSize &&
             commit.U32(16) == n);
}

void CheckChecksum(std::span<const uint8_t> block) {
  uint32_t sum = 0;
  for (uint8_t b : block) sum += b;
  FUZZ_CHECK(BlockChecksum(block) == sum);
  // Additive over any split, which is what lets the device sum per packet.
  const size_t half = block.size() / 2;
  FUZZ_CHECK(BlockChecksum(block.first(half)) + BlockChecksum(block.subspan(half)) == sum);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CommandPacket::Bytes bytes{};
  std::memcpy(bytes.data(), data, std::min(size, kPacketSize));
  CommandPacket packet(bytes);
  CheckFields(packet);
  CheckBuilders(packet);
  // Identify only ever sees replies with the identify-reply command; the rest
  // of the packet is whatever the device sent, so decode it whatever the code.
  CheckIdentify(packet);
  if (size > kPacketSize) CheckChecksum(std::span<const uint8_t>(data + kPacketSize, size - kPacketSize));
  return 0;
}
