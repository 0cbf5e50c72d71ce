#include "device/device_identity.h"

#include "app/string_table.h"
#include "device/usb.h"

namespace orv::device {

void ApplyIdentifyReply(const CommandPacket& reply, std::string& firmware_version, uint32_t& identity,
                        std::string& model) {
  std::u16string version;
  for (size_t i = 0; i < 6; ++i) {
    char16_t c = reply.U16(8 + 2 * i);
    if (c == 0) break;
    version.push_back(c);
  }
  if (!version.empty()) firmware_version = Utf16ToUtf8(version);

  identity = reply.U32(20);

  const auto& b = reply.bytes();
  std::string raw;
  for (size_t i = 24; i < 36 && b[i] != 0; ++i) raw.push_back(static_cast<char>(b[i]));
  // Through UTF-16 and back: malformed or cut-off sequences become '?', so
  // the model is always valid UTF-8 for pages and service queries.
  if (!raw.empty()) model = Utf16ToUtf8(Utf8ToUtf16(raw));
}

bool IdentifyDevice(Usb& usb, AppState& state) {
  state.ResetDeviceIdentity();
  return usb.Identify(state.firmware_version, state.device_identity, state.model);
}

}  // namespace orv::device
