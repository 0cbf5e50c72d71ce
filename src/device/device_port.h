// Finding the dive computer's serial port.
//
// The dive computer is a USB CDC serial device (vendor 1915, product 52f0).
// Discovery walks udev's tty devices in udev's order and takes the first whose
// USB parent carries that identity and whose node can be opened for reading
// and writing and is not held by another program. An explicit device path (the
// simulator, an rfcomm port, an unusual setup) skips discovery altogether.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orv::device {

inline constexpr std::string_view kVendorId = "1915";
inline constexpr std::string_view kProductId = "52F0";

// The port of an attached dive computer, or empty text when none is attached
// or none of its ports can be opened.
std::string FindDevicePort();

// An explicit path used instead of discovery; empty turns discovery back on.
// orvelle-cli and the desktop program set it from --device / ORVELLE_DEVICE.
void SetDevicePathOverride(std::string path);
std::string DevicePathOverride();

// The override when one is set, otherwise FindDevicePort(). Every device
// operation starts here; empty means USB_NOT_CONN.
std::string ResolveDevicePort();

// --- The pieces discovery is made of, exposed for tests. ---

// True when a USB device's idVendor/idProduct name the dive computer;
// compared without regard to case.
bool IsDiveComputerUsbId(std::string_view vendor, std::string_view product);

struct PortCandidate {
  std::string devnode;  // /dev/ttyACM0
  std::string vendor;   // idVendor of the USB parent device, "" when none
  std::string product;  // idProduct of the USB parent device
};

// The first candidate, in the given order, that names the dive computer and
// for which `can_open` says yes; empty when none.
std::string ChoosePort(const std::vector<PortCandidate>& candidates,
                       const std::function<bool(const std::string&)>& can_open);

// Opens the node for reading and writing and closes it again at once. False
// when it cannot be opened, or another program holds it (exclusive mode or
// its lock).
bool PortCanBeOpened(const std::string& devnode);

// udev's tty devices with their USB parent's identity, in udev's order.
std::vector<PortCandidate> ListTtyCandidates();

}  // namespace orv::device
