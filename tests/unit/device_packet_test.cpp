// Packet layout and identify-reply decoding, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "device/command_packet.h"
#include "device/device_identity.h"

namespace orv::device {
namespace {

std::vector<uint8_t> Bytes(const CommandPacket& p) { return {p.bytes().begin(), p.bytes().end()}; }

std::vector<uint8_t> Expected(std::initializer_list<std::pair<size_t, uint8_t>> set) {
  std::vector<uint8_t> b(kPacketSize, 0);
  for (auto [i, v] : set) b[i] = v;
  return b;
}

TEST(CommandPacketLayout, RequestsSetOnlyTheirFieldsLittleEndian) {
  EXPECT_EQ(Bytes(CommandPacket::Plain(Command::Identify)), Expected({{2, 0x30}}));
  EXPECT_EQ(Bytes(CommandPacket::Plain(Command::End)), Expected({{2, 0x97}, {3, 0x99}}));
  EXPECT_EQ(Bytes(CommandPacket::Plain(Command::Finish)), Expected({{2, 0x99}, {3, 0x99}}));
  EXPECT_EQ(Bytes(CommandPacket::ReadRequest(0x10A000, 100)),
            Expected({{1, 8}, {2, 0x01}, {9, 0xA0}, {10, 0x10}, {12, 100}}));
  EXPECT_EQ(Bytes(CommandPacket::WriteCommit(0x01020304, 1044480)), Expected({{0, 0xAA},
                                                                              {1, 12},
                                                                              {2, 0x03},
                                                                              {8, 4},
                                                                              {9, 3},
                                                                              {10, 2},
                                                                              {11, 1},
                                                                              {13, 0x10},
                                                                              {16, 0x00},
                                                                              {17, 0xF0},
                                                                              {18, 0x0F}}));

  std::array<uint8_t, kPayloadSize> payload;
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(0xC0 + i);
  auto data = Bytes(CommandPacket::Data(127, payload));
  EXPECT_EQ(data[1], 32);
  EXPECT_EQ(data[2], 0x05);
  EXPECT_EQ(data[4], 127);
  EXPECT_TRUE(std::equal(payload.begin(), payload.end(), data.begin() + 8));
}

TEST(CommandPacketLayout, FieldsReadBackAcrossAllBytes) {
  CommandPacket p;
  p.SetU32(36, 0xDEADBEEF);
  p.set_command_code(0xAAAA);
  p.set_index(0x80000001);
  EXPECT_EQ(p.U32(36), 0xDEADBEEFu);
  EXPECT_TRUE(p.Is(Command::IdentifyReply));
  EXPECT_EQ(p.index(), 0x80000001u);
  EXPECT_EQ(p.bytes()[39], 0xDE);
}

TEST(BlockChecksum, PlainByteSum) {
  std::vector<uint8_t> block(kBlockSize, 0);
  EXPECT_EQ(BlockChecksum(block), 0u);
  std::fill(block.begin(), block.end(), 0xFF);
  EXPECT_EQ(BlockChecksum(block), 1044480u);
  block[0] = 0x01;
  EXPECT_EQ(BlockChecksum(block), 1044480u - 0xFE);
  // Any length and offset, against the sum taken byte by byte.
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 131 + (i >> 7));
  for (size_t from : {0, 3}) {
    for (size_t n : {0, 7, 8, 1023, 1025, 4093}) {
      std::span<const uint8_t> part(block.data() + from, n);
      EXPECT_EQ(BlockChecksum(part), std::accumulate(part.begin(), part.end(), 0u)) << from << "+" << n;
    }
  }
}

CommandPacket Reply(std::u16string version, uint32_t identity, std::string model) {
  CommandPacket p;
  p.set_command(Command::IdentifyReply);
  for (size_t i = 0; i < version.size(); ++i) p.SetU16(8 + 2 * i, version[i]);
  p.SetU32(20, identity);
  std::copy(model.begin(), model.end(), p.bytes().begin() + 24);
  p.SetU32(36, 0xFFFFFFFF);  // not part of the model
  return p;
}

TEST(IdentifyReply, DecodesFieldsAndKeepsDefaultsForEmptyOnes) {
  std::string fw = "0.000", model = "Q7";
  uint32_t id = 1;
  ApplyIdentifyReply(Reply(u"", 0, ""), fw, id, model);
  EXPECT_EQ(fw, "0.000");
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(model, "Q7");

  ApplyIdentifyReply(Reply(u"1.0\u00e96x", 9, "Q7-PRO-DIVER"), fw, id, model);
  EXPECT_EQ(fw,
            "1.0\xC3\xA9"
            "6x");  // six characters, the last field slot used
  EXPECT_EQ(id, 9u);
  EXPECT_EQ(model, "Q7-PRO-DIVER");  // all 12 bytes

  // A model cut inside a UTF-8 sequence ends in '?', never invalid UTF-8.
  ApplyIdentifyReply(Reply(u"2", 0, "ABCDEFGHIJ\xE6\x97"), fw, id, model);
  EXPECT_EQ(fw, "2");
  EXPECT_EQ(model, "ABCDEFGHIJ?");
}

}  // namespace
}  // namespace orv::device
