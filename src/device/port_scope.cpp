#include "device/port_scope.h"

#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace orv::device {

namespace asio = boost::asio;

PortScope::PortScope(asio::serial_port& port, const std::string& path) : port_(port) {
  boost::system::error_code ec;
  port_.open(path, ec);  // Asio already puts the line into raw mode here
  if (ec) {
    error_ = "open: " + ec.message();
    return;
  }
  open_ = true;
  if (!Configure()) Close();
}

PortScope::~PortScope() { Close(); }

bool PortScope::Configure() {
  const int fd = port_.native_handle();
  // Refuse a port another program is using before touching its settings.
  if (::ioctl(fd, TIOCEXCL) != 0) {
    error_ = "open: not a terminal";
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error_ = "busy";
    return false;
  }
  boost::system::error_code ec;
  using base = asio::serial_port_base;
  port_.set_option(base::baud_rate(9600), ec);
  if (!ec) port_.set_option(base::character_size(8), ec);
  if (!ec) port_.set_option(base::stop_bits(base::stop_bits::one), ec);
  if (!ec) port_.set_option(base::parity(base::parity::none), ec);
  if (!ec) port_.set_option(base::flow_control(base::flow_control::none), ec);
  if (ec) {
    error_ = "set_option: " + ec.message();
    return false;
  }
  // Raise DTR and RTS. A pseudo-terminal (the simulator, some Bluetooth
  // bridges) has no modem lines and refuses this; that is harmless.
  int lines = TIOCM_DTR | TIOCM_RTS;
  (void)::ioctl(fd, TIOCMBIS, &lines);
  // Bytes a device sent after an earlier operation gave up must not be read
  // as answers to this one.
  ::tcflush(fd, TCIOFLUSH);
  return true;
}

void PortScope::Close() {
  if (!open_) return;
  open_ = false;
  const int fd = port_.native_handle();
  // Clear exclusive mode: it outlives our descriptor while anyone else (the
  // simulator's side of a pty, for one) keeps the line open.
  (void)::ioctl(fd, TIOCNXCL);
  boost::system::error_code ec;
  port_.close(ec);  // also drops the advisory lock
}

}  // namespace orv::device
