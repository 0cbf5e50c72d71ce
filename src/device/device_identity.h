// The identity an identify reply reports, and where the program keeps it.
#pragma once

#include <cstdint>
#include <string>

#include "app/app_state.h"
#include "device/command_packet.h"

namespace orv::device {

// Takes the version (UTF-16LE, up to 6 characters at offset 8), the identity
// value (offset 20) and the model (UTF-8, up to 12 bytes at offset 24) from an
// identify reply. An empty version or model field leaves that text as it was;
// a model cut inside a UTF-8 sequence ends in '?'. The results are UTF-8.
void ApplyIdentifyReply(const CommandPacket& reply, std::string& firmware_version, uint32_t& identity,
                        std::string& model);

class Usb;

// Resets the state's firmware_version/device_identity/model to "0.000", 0,
// "Q7" and identifies the device into them. False means NOT_SUPPOR_DEVICE:
// the caller closes the port without sending anything more.
bool IdentifyDevice(Usb& usb, AppState& state = State());

}  // namespace orv::device
