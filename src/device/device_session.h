// One device operation's hold on the dive computer: the I/O service, the
// serial port, its PortScope and the Usb bound to it, released in the right
// order when the session ends.
//
//   DeviceSession s;
//   if (!s.Open()) return Fail(KeyOf(Msg::UsbNotConn));
//   if (!IdentifyDevice(s.usb())) return Fail(KeyOf(Msg::NotSupporDevice));  // no end command
//   EndGuard end(s.usb());
//   if (!s.usb().ReadBlock(addr, buf, n)) return Fail(KeyOf(Msg::UsbError));
#pragma once

#include <optional>
#include <string>

#include <boost/asio/io_context.hpp>
#include <boost/asio/serial_port.hpp>

#include "app/message_keys.h"
#include "device/port_scope.h"
#include "device/usb.h"

namespace orv::device {

class DeviceSession {
 public:
  explicit DeviceSession(Deadlines deadlines = {});
  ~DeviceSession();
  DeviceSession(const DeviceSession&) = delete;
  DeviceSession& operator=(const DeviceSession&) = delete;

  // Opens the override path or the discovered port; false means
  // USB_NOT_CONN and nothing is open.
  bool Open();
  bool Open(const std::string& path);
  bool is_open() const { return scope_ && scope_->is_open(); }
  // Why opening failed, for diagnostics.
  const std::string& error() const { return error_; }
  // Why Open failed: USB_IN_USE when another program holds the
  // port, USB_NOT_CONN otherwise.
  Msg open_failure() const { return busy_ ? Msg::UsbInUse : Msg::UsbNotConn; }

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
