// One device operation's hold on the dive computer: the I/O service, the
// serial port, its PortScope and the Usb bound to it, released in the right
// order when the session ends.
//
//   DeviceSession s;
//   if (!s.Open()) return Fail(kUsbNotConn);
//   if (!IdentifyDevice(s.usb())) return Fail(kNotSupportedDevice);  // no end command
//   EndGuard end(s.usb());
//   if (!s.usb().ReadBlock(addr, buf, n)) return Fail(kUsbError);
#pragma once

#include <optional>
#include <string>

#include <boost/asio/io_context.hpp>
#include <boost/asio/serial_port.hpp>

#include "device/port_scope.h"
#include "device/usb.h"

namespace orv::device {

inline constexpr const char* kUsbNotConn = "USB_NOT_CONN";
inline constexpr const char* kUsbInUse = "USB_IN_USE";
inline constexpr const char* kUsbError = "USB_ERROR";
inline constexpr const char* kNotSupportedDevice = "NOT_SUPPOR_DEVICE";

class DeviceSession {
 public:
  explicit DeviceSession(Deadlines deadlines = {});
  ~DeviceSession();
  DeviceSession(const DeviceSession&) = delete;
  DeviceSession& operator=(const DeviceSession&) = delete;

  // Opens the override path or the discovered port; false means
  // "USB_NOT_CONN" and nothing is open.
  bool Open();
  bool Open(const std::string& path);
  bool is_open() const { return scope_ && scope_->is_open(); }
  // Why opening failed, for diagnostics.
  const std::string& error() const { return error_; }
  // The key for a failed Open: "USB_IN_USE" when another program holds the
  // port, "USB_NOT_CONN" otherwise.
  const char* open_failure_key() const { return busy_ ? kUsbInUse : kUsbNotConn; }

  Usb& usb() { return usb_; }
  // Closes the port; also done when the session ends.
  void Close();

 private:
  boost::asio::io_context io_;
  boost::asio::serial_port port_;
  std::optional<PortScope> scope_;
  Usb usb_;
  std::string error_;
  bool busy_ = false;
};

}  // namespace orv::device
