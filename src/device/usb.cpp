#include "device/usb.h"

#include <algorithm>
#include <array>

#include "app/cancellable.h"
#include "device/device_identity.h"

namespace orv::device {

const char* FaultName(UsbFault fault) {
  switch (fault) {
    case UsbFault::None:
      return "none";
    case UsbFault::Timeout:
      return "timeout";
    case UsbFault::HangUp:
      return "hang-up";
    case UsbFault::Io:
      return "i/o error";
    case UsbFault::WrongCommand:
      return "wrong command";
    case UsbFault::WrongIndex:
      return "wrong index";
    case UsbFault::Checksum:
      return "checksum mismatch";
    case UsbFault::Refused:
      return "write refused";
    case UsbFault::Stopped:
      return "stopped";
  }
  return "?";
}

Usb::Usb(boost::asio::serial_port& port, Deadlines deadlines) : link_(port), deadlines_(deadlines) {}

bool Usb::Fail(UsbFault fault) {
  fault_ = fault;
  return false;
}

namespace {

UsbFault FromLink(LinkStatus s) {
  switch (s) {
    case LinkStatus::Timeout:
      return UsbFault::Timeout;
    case LinkStatus::HangUp:
      return UsbFault::HangUp;
    case LinkStatus::Stopped:
      return UsbFault::Stopped;
    default:
      return UsbFault::Io;
  }
}

}  // namespace

bool Usb::Send(const CommandPacket& packet) {
  if (Cancellable::Current().IsCancelled()) return Fail(UsbFault::Stopped);
  LinkStatus s = link_.Write(packet, deadlines_.packet);
  return s == LinkStatus::Ok || Fail(FromLink(s));
}

bool Usb::Receive(CommandPacket& packet, std::chrono::milliseconds deadline) {
  if (Cancellable::Current().IsCancelled()) return Fail(UsbFault::Stopped);
  LinkStatus s = link_.Read(packet, deadline);
  return s == LinkStatus::Ok || Fail(FromLink(s));
}

bool Usb::Identify(std::string& firmware_version, uint32_t& identity, std::string& model) {
  fault_ = UsbFault::None;
  CommandPacket reply;
  if (!Send(CommandPacket::Plain(Command::Identify)) || !Receive(reply, deadlines_.packet)) return false;
  if (!reply.Is(Command::IdentifyReply)) return Fail(UsbFault::WrongCommand);
  ApplyIdentifyReply(reply, firmware_version, identity, model);
  return true;
}

bool Usb::ReadBlock(uint32_t address, uint8_t* destination, uint32_t count) {
  fault_ = UsbFault::None;
  count = std::min<uint32_t>(count, kBlockSize);
  std::array<uint8_t, kBlockSize> block{};
  if (!Send(CommandPacket::ReadRequest(address, count))) return false;
  CommandPacket p;
  for (uint32_t index = 0; index < kPacketsPerBlock; ++index) {
    if (!Receive(p, deadlines_.packet)) return false;
    if (!p.Is(Command::Data)) return Fail(UsbFault::WrongCommand);
    if (p.index() != index) return Fail(UsbFault::WrongIndex);
    std::copy(p.payload().begin(), p.payload().end(), block.begin() + index * kPayloadSize);
  }
  if (!Receive(p, deadlines_.packet)) return false;
  if (!p.Is(Command::ReadEnd)) return Fail(UsbFault::WrongCommand);
  // The bytes are handed over before the checksum verdict, as callers expect;
  // a mismatch still fails the read.
  std::copy_n(block.begin(), count, destination);
  return BlockChecksum(block) == p.U32(16) || Fail(UsbFault::Checksum);
}

bool Usb::WriteBlock(uint32_t address, const uint8_t* source) {
  fault_ = UsbFault::None;
  std::array<uint8_t, kBlockSize> block;
  std::copy_n(source, kBlockSize, block.begin());
  // No reply comes between data packets, so the 128 of them and the commit
  // go out as one stream.
  std::array<CommandPacket, kPacketsPerBlock + 1> packets;
  for (uint32_t index = 0; index < kPacketsPerBlock; ++index) {
    std::span<const uint8_t, kPayloadSize> chunk(block.data() + index * kPayloadSize, kPayloadSize);
    packets[index] = CommandPacket::Data(index, chunk);
  }
  packets[kPacketsPerBlock] = CommandPacket::WriteCommit(address, BlockChecksum(block));
  if (Cancellable::Current().IsCancelled()) return Fail(UsbFault::Stopped);
  LinkStatus sent = link_.WriteAll(packets, deadlines_.packet);
  if (sent != LinkStatus::Ok) return Fail(FromLink(sent));
  CommandPacket reply;
  if (!Receive(reply, deadlines_.write_result)) return false;
  if (!reply.Is(Command::WriteResult)) return Fail(UsbFault::WrongCommand);
  return reply.U32(8) != 0 || Fail(UsbFault::Refused);
}

void Usb::SendClosing(Command command) {
  link_.set_stoppable(false);
  (void)link_.Write(CommandPacket::Plain(command), deadlines_.packet);
  link_.set_stoppable(true);
}

void Usb::SendEnd() { SendClosing(Command::End); }

void Usb::SendFinish() { SendClosing(Command::Finish); }

}  // namespace orv::device
