// The Usb operations against whatever a device sends back. The port is one
// end of a local socket pair (the link only needs a readable, writable
// descriptor); the other end holds the fuzz bytes and then hangs up, so every
// operation ends at once instead of waiting out its deadline. Each result is
// compared with a plain reading of the same bytes by the packet rules.
//
// Input: byte 0 picks identify / read block / write block, bytes 1-2 the
// read count, the rest is the device's side of the line.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/asio/serial_port.hpp>

#include "device/device_identity.h"
#include "device/usb.h"
#include "fuzz_check.h"

using namespace orv::device;

namespace {

constexpr size_t kMaxStream = 64 * 1024;  // well inside a socket's buffer

struct Stream {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
  bool Next(CommandPacket& p) {
    if (size - pos < kPacketSize) return false;
    std::copy_n(data + pos, kPacketSize, p.bytes().begin());
    pos += kPacketSize;
    return true;
  }
};

bool WriteAllTo(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Everything already written to the other end, without waiting for more.
std::vector<uint8_t> ReadPending(int fd) {
  std::vector<uint8_t> out;
  std::array<uint8_t, 4096> buf;
  for (ssize_t n; (n = ::recv(fd, buf.data(), buf.size(), MSG_DONTWAIT)) > 0;)
    out.insert(out.end(), buf.data(), buf.data() + n);
  return out;
}

void CheckIdentify(Usb& usb, Stream s) {
  std::string version = "0.000", model = "Q7";
  uint32_t identity = 0;
  const bool ok = usb.Identify(version, identity, model);
  CommandPacket reply;
  const bool expected = s.Next(reply) && reply.Is(Command::IdentifyReply);
  FUZZ_CHECK(ok == expected);
  if (!ok) return;
  std::string v2 = "0.000", m2 = "Q7";
  uint32_t i2 = 0;
  ApplyIdentifyReply(reply, v2, i2, m2);
  FUZZ_CHECK(version == v2 && identity == i2 && model == m2);
}

void CheckRead(Usb& usb, Stream s, uint32_t count) {
  std::vector<uint8_t> dest(kBlockSize, 0xEE);
  const bool ok = usb.ReadBlock(0x1000, dest.data(), count);
  // The packet rules, read plainly.
  std::array<uint8_t, kBlockSize> block{};
  CommandPacket p;
  UsbFault fault = UsbFault::None;
  for (uint32_t index = 0; index < kPacketsPerBlock && fault == UsbFault::None; ++index) {
    if (!s.Next(p))
      fault = UsbFault::HangUp;
    else if (!p.Is(Command::Data))
      fault = UsbFault::WrongCommand;
    else if (p.index() != index)
      fault = UsbFault::WrongIndex;
    else
      std::copy(p.payload().begin(), p.payload().end(), block.begin() + index * kPayloadSize);
  }
  bool delivered = false;
  if (fault == UsbFault::None) {
    if (!s.Next(p))
      fault = UsbFault::HangUp;
    else if (!p.Is(Command::ReadEnd))
      fault = UsbFault::WrongCommand;
    else {
      delivered = true;
      if (BlockChecksum(block) != p.U32(16)) fault = UsbFault::Checksum;
    }
  }
  FUZZ_CHECK(ok == (fault == UsbFault::None));
  FUZZ_CHECK(usb.last_fault() == fault);
  // Nothing is written past the count, and only a whole block is handed over.
  const uint32_t n = std::min<uint32_t>(count, kBlockSize);
  for (size_t i = 0; i < kBlockSize; ++i) {
    const uint8_t want = delivered && i < n ? block[i] : 0xEE;
    FUZZ_CHECK(dest[i] == want);
  }
}

void CheckWrite(Usb& usb, Stream s, int peer, const uint8_t* seed, size_t seed_size) {
  std::array<uint8_t, kBlockSize> source{};
  for (size_t i = 0; i < kBlockSize && seed_size > 0; ++i) source[i] = seed[i % seed_size];
  const bool ok = usb.WriteBlock(0x2000, source.data());
  CommandPacket reply;
  UsbFault fault = UsbFault::None;
  if (!s.Next(reply))
    fault = UsbFault::HangUp;
  else if (!reply.Is(Command::WriteResult))
    fault = UsbFault::WrongCommand;
  else if (reply.U32(8) == 0)
    fault = UsbFault::Refused;
  FUZZ_CHECK(ok == (fault == UsbFault::None) && usb.last_fault() == fault);
  // What went out: 128 data packets in order and a commit with the sum.
  std::vector<uint8_t> sent = ReadPending(peer);
  FUZZ_CHECK(sent.size() == (kPacketsPerBlock + 1) * kPacketSize);
  for (uint32_t index = 0; index < kPacketsPerBlock; ++index) {
    CommandPacket::Bytes b;
    std::copy_n(sent.data() + index * kPacketSize, kPacketSize, b.begin());
    CommandPacket p(b);
    FUZZ_CHECK(p.Is(Command::Data) && p.index() == index);
    FUZZ_CHECK(std::equal(p.payload().begin(), p.payload().end(), source.begin() + index * kPayloadSize));
  }
  CommandPacket::Bytes b;
  std::copy_n(sent.data() + kPacketsPerBlock * kPacketSize, kPacketSize, b.begin());
  CommandPacket commit(b);
  FUZZ_CHECK(commit.Is(Command::WriteCommit) && commit.U32(16) == BlockChecksum(source));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3 || size > kMaxStream) return 0;
  const int op = data[0] % 3;
  const uint32_t count = static_cast<uint32_t>(data[1] | (data[2] << 8)) * 2;  // reaches past 4096
  const uint8_t* stream = data + 3;
  const size_t stream_size = size - 3;

  int fds[2];
  FUZZ_CHECK(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0);
  const int peer = fds[1];
  FUZZ_CHECK(WriteAllTo(peer, stream, stream_size));
  ::shutdown(peer, SHUT_WR);  // the device hangs up after its last byte
  {
    boost::asio::io_context io;
    boost::asio::serial_port port(io);
    port.assign(fds[0]);  // the port owns and closes this end
    Deadlines d;
    d.packet = std::chrono::milliseconds(2000);
    d.write_result = std::chrono::milliseconds(2000);
    Usb usb(port, d);
    Stream s{stream, stream_size};
    if (op == 0)
      CheckIdentify(usb, s);
    else if (op == 1)
      CheckRead(usb, s, count);
    else
      CheckWrite(usb, s, peer, stream, stream_size);
  }
  ::close(peer);
  return 0;
}
