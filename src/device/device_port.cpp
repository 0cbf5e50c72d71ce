#include "device/device_port.h"

#include <fcntl.h>
#include <libudev.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <mutex>

namespace orv::device {

namespace {

std::mutex override_mutex;
std::string override_path;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

std::string Attr(udev_device* dev, const char* name) {
  const char* v = dev ? udev_device_get_sysattr_value(dev, name) : nullptr;
  return v ? v : "";
}

}  // namespace

void SetDevicePathOverride(std::string path) {
  std::lock_guard lock(override_mutex);
  override_path = std::move(path);
}

std::string DevicePathOverride() {
  std::lock_guard lock(override_mutex);
  return override_path;
}

std::string ResolveDevicePort() {
  std::string path = DevicePathOverride();
  return path.empty() ? FindDevicePort() : path;
}

bool IsDiveComputerUsbId(std::string_view vendor, std::string_view product) {
  return EqualsIgnoringCase(vendor, kVendorId) && EqualsIgnoringCase(product, kProductId);
}

std::string ChoosePort(const std::vector<PortCandidate>& candidates,
                       const std::function<bool(const std::string&)>& can_open) {
  for (const auto& c : candidates) {
    if (c.devnode.empty() || !IsDiveComputerUsbId(c.vendor, c.product)) continue;
    if (can_open(c.devnode)) return c.devnode;
  }
  return {};
}

bool PortCanBeOpened(const std::string& devnode) {
  // Non-blocking so a modem line that never comes up cannot hold us here;
  // no controlling terminal, we are not a shell.
  int fd = ::open(devnode.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;  // EBUSY from another program's exclusive mode lands here
  // Exclusive mode does not stop a privileged process, so a port in use is
  // also recognised by the advisory lock every PortScope holds.
  bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);  // drops our lock too
  return free;
}

std::vector<PortCandidate> ListTtyCandidates() {
  std::vector<PortCandidate> out;
  udev* u = udev_new();
  if (!u) return out;
  udev_enumerate* e = udev_enumerate_new(u);
  if (e && udev_enumerate_add_match_subsystem(e, "tty") >= 0 && udev_enumerate_scan_devices(e) >= 0) {
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
      udev_device* dev = udev_device_new_from_syspath(u, udev_list_entry_get_name(entry));
      if (!dev) continue;
      const char* node = udev_device_get_devnode(dev);
      // The parent belongs to `dev` and is released with it.
      udev_device* usb = udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_device");
      if (node && usb) out.push_back({node, Attr(usb, "idVendor"), Attr(usb, "idProduct")});
      udev_device_unref(dev);
    }
  }
  if (e) udev_enumerate_unref(e);
  udev_unref(u);
  return out;
}

std::string FindDevicePort() { return ChoosePort(ListTtyCandidates(), PortCanBeOpened); }

}  // namespace orv::device
