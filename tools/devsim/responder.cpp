#include "responder.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "app/string_table.h"

namespace orv::devsim {

using device::Command;
using device::kBlockSize;
using device::kPacketsPerBlock;
using device::kPayloadSize;

Responder::Responder(MemoryImage& image, DeviceProfile profile, Log log)
    : image_(image), profile_(std::move(profile)), log_(std::move(log)), pending_(kBlockSize, 0xFF) {}

Responder::Packet Responder::IdentifyReply(const DeviceProfile& profile) {
  Packet p;
  p.set_command(Command::IdentifyReply);
  std::u16string version = Utf8ToUtf16(profile.firmware);
  for (size_t i = 0; i < version.size() && i < 6; ++i) p.SetU16(8 + 2 * i, version[i]);
  p.SetU32(20, profile.identity);
  std::copy_n(profile.model.begin(), std::min<size_t>(profile.model.size(), 12), p.bytes().begin() + 24);
  return p;
}

void Responder::Reset() {
  received_.reset();
  std::fill(pending_.begin(), pending_.end(), uint8_t{0xFF});
}

void Responder::NoteClosed() {
  if (log_) log_("closed");
}

void Responder::Handle(const Packet& request, std::vector<Packet>& replies) {
  if (log_) {
    char line[96];
    std::snprintf(line, sizeof line, "rx %04x %u", request.command(), request.index());
    log_(line);
  }
  switch (static_cast<Command>(request.command())) {
    case Command::Identify:
      Reset();
      written_firmware_.clear();
      replies.push_back(IdentifyReply(profile_));
      break;
    case Command::ReadRequest:
      ReadBlock(request, replies);
      break;
    case Command::Data:
      if (request.index() < kPacketsPerBlock) {
        std::copy(request.payload().begin(), request.payload().end(),
                  pending_.begin() + request.index() * kPayloadSize);
        received_.set(request.index());
      }
      break;
    case Command::WriteCommit:
      Commit(request, replies);
      break;
    case Command::Finish:
      if (!written_firmware_.empty()) profile_.firmware = written_firmware_;
      Reset();
      break;
    case Command::End:
      Reset();
      break;
    default:
      break;  // the firmware ignores what it does not know
  }
}

void Responder::ReadBlock(const Packet& request, std::vector<Packet>& replies) {
  // The device always answers with the whole block; the byte count in the
  // request only matters to the program.
  std::array<uint8_t, kBlockSize> block;
  image_.Read(request.U32(8), block);
  for (uint32_t i = 0; i < kPacketsPerBlock; ++i)
    replies.push_back(
        Packet::Data(i, std::span<const uint8_t, kPayloadSize>(block.data() + i * kPayloadSize, kPayloadSize)));
  Packet end;
  end.set_command(Command::ReadEnd);
  end.SetU32(16, device::BlockChecksum(block) + (profile_.bad_checksum ? 1 : 0));
  replies.push_back(end);
}

void Responder::Commit(const Packet& request, std::vector<Packet>& replies) {
  const uint32_t address = request.U32(8);
  bool ok = received_.all() && request.U32(12) == kBlockSize && device::BlockChecksum(pending_) == request.U32(16) &&
            !profile_.write_refused && image_.Write(address, pending_);
  if (log_) log_(std::string("write ") + std::to_string(address) + (ok ? " ok" : " refused"));
  constexpr char kMark[] = "ORVFWVER";  // docs/device.md, "Firmware image"
  if (ok && std::equal(kMark, kMark + 8, pending_.begin())) {
    written_firmware_.assign(pending_.begin() + 8, pending_.begin() + 14);
    written_firmware_.resize(written_firmware_.find('\0') == std::string::npos ? 6 : written_firmware_.find('\0'));
  }
  Packet result;
  result.set_command(Command::WriteResult);
  result.SetU32(8, ok ? 1 : 0);
  replies.push_back(result);
  Reset();
}

}  // namespace orv::devsim
