// The open serial port of one device operation.
#pragma once

#include <string>

#include <boost/asio/serial_port.hpp>

namespace orv::device {

// Opens `path` on `port` with the dive computer's line settings and closes it
// when it ends. Opening never throws: check is_open(); whatever failed has
// been undone, so nothing stays open (USB_NOT_CONN for the caller).
//
// Line: 9600 baud, 8 data bits, one stop bit, no parity, no flow control, raw
// mode, DTR and RTS on. The port is taken exclusively (TIOCEXCL, plus an
// advisory lock, which also holds against privileged programs) so a port in
// use elsewhere is refused; input left over from an earlier run is dropped.
class PortScope {
 public:
  PortScope(boost::asio::serial_port& port, const std::string& path);
  ~PortScope();
  PortScope(const PortScope&) = delete;
  PortScope& operator=(const PortScope&) = delete;

  bool is_open() const { return open_; }
  // What failed while opening ("open: ...", "set_option: ...", "busy").
  const std::string& error() const { return error_; }
  // The port is there but another program holds it: a diver who sees "no
  // dive computer" would unplug a device that is plugged in.
  bool busy() const { return busy_; }

  // Closes early; ending the scope then does nothing.
  void Close();

 private:
  bool Configure();
  static void DrainUntilQuiet(int fd);

  boost::asio::serial_port& port_;
  bool open_ = false;
  bool busy_ = false;
  std::string error_;
};

}  // namespace orv::device
