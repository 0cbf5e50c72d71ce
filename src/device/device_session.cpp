#include "device/device_session.h"

#include "device/device_port.h"

namespace orv::device {

DeviceSession::DeviceSession(Deadlines deadlines) : port_(io_), usb_(port_, deadlines) {}

DeviceSession::~DeviceSession() { Close(); }

bool DeviceSession::Open() {
  busy_ = false;
  std::string path = ResolveDevicePort();
  if (path.empty()) {
    error_ = "no dive computer found";
    return false;
  }
  return Open(path);
}

bool DeviceSession::Open(const std::string& path) {
  Close();
  busy_ = false;
  scope_.emplace(port_, path);
  if (scope_->is_open()) return true;
  error_ = path + ": " + scope_->error();
  busy_ = scope_->busy();
  scope_.reset();
  return false;
}

void DeviceSession::Close() { scope_.reset(); }

}  // namespace orv::device
