#include "device/port_scope.h"

#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace orv::device {

namespace asio = boost::asio;

PortScope::PortScope(asio::serial_port& port, const std::string& path) : port_(port) {
  boost::system::error_code ec;
  port_.open(path, ec);  // Asio already puts the line into raw mode here
  if (ec) {
    // TIOCEXCL of another program refuses the open itself.
    busy_ = ec.value() == EBUSY;
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
    busy_ = errno == EWOULDBLOCK;
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
  // as answers to this one. A device may still be sending the rest of an
  // abandoned block, so wait for the line to fall quiet, within a bound.
  ::tcflush(fd, TCIOFLUSH);
  DrainUntilQuiet(fd);
  return true;
}

void PortScope::DrainUntilQuiet(int fd) {
  constexpr int kQuietMs = 60;
  constexpr int kMaxRounds = 40;  // never more than ~2.5 s, even on a chatty line
  char discard[4096];
  for (int round = 0; round < kMaxRounds; ++round) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, kQuietMs) <= 0 || !(p.revents & POLLIN)) return;
    if (::read(fd, discard, sizeof discard) <= 0) return;
  }
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
