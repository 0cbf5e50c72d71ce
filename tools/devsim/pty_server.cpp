#include "pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace orv::devsim {

using device::kPacketSize;

PtyServer::~PtyServer() {
  if (master_ >= 0) ::close(master_);
}

bool PtyServer::Open() {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
    error_ = std::string("pseudo-terminal: ") + std::strerror(errno);
    return false;
  }
  const char* name = ::ptsname(master_);
  if (!name) {
    error_ = "pseudo-terminal has no slave";
    return false;
  }
  slave_path_ = name;
  // Raw from the start, so nothing a program sends before configuring the
  // line is echoed back or mangled.
  int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave >= 0) {
    termios t{};
    if (::tcgetattr(slave, &t) == 0) {
      ::cfmakeraw(&t);
      ::tcsetattr(slave, TCSANOW, &t);
    }
    ::close(slave);
  }
  return true;
}

bool PtyServer::WriteBytes(const uint8_t* data, size_t size, uint32_t trickle_us) {
  size_t done = 0;
  while (done < size) {
    size_t chunk = trickle_us ? 1 : size - done;
    ssize_t n = ::write(master_, data + done, chunk);
    if (n > 0) {
      done += static_cast<size_t>(n);
      if (trickle_us) {
        std::this_thread::sleep_for(std::chrono::microseconds(trickle_us));
        if (ProgramGone()) return false;  // the rest is for nobody
      }
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return false;
    // The program is not reading; give it a while, then drop the reply.
    pollfd p{master_, POLLOUT, 0};
    if (::poll(&p, 1, 2000) <= 0 || (p.revents & (POLLERR | POLLHUP))) return false;
  }
  return true;
}

void PtyServer::HangUp() {
  ::close(master_);
  master_ = -1;
}

bool PtyServer::ProgramGone() const {
  pollfd p{master_, 0, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP);
}

void PtyServer::SendReplies(const Responder::Packet& request, const std::vector<Responder::Packet>& replies,
                            const LineFaults& faults) {
  // A block's replies go out in one write, as the device streams them: a
  // program that gives up halfway then finds them all in its input queue,
  // which it drops when it opens the port next, rather than receiving the
  // tail of this block in its next run.
  out_.clear();
  bool hang_up = false;
  for (Responder::Packet r : replies) {
    ++sent_;
    // The wrong-command fault echoes the request's command, as a line that
    // loops back would.
    if (sent_ == faults.wrong_command) r.set_command_code(request.command());
    if (sent_ == faults.wrong_index) r.set_index(r.index() + 1);
    out_.insert(out_.end(), r.bytes().begin(), r.bytes().end());
    if (sent_ == faults.hangup_after) {
      hang_up = true;
      break;
    }
  }
  WriteBytes(out_.data(), out_.size(), faults.trickle_us);
  if (hang_up) HangUp();
}

void PtyServer::Serve(Responder& responder, const LineFaults& faults) {
  std::vector<uint8_t> pending;
  std::vector<Responder::Packet> replies;
  uint8_t buf[8192];
  bool in_use = false;  // a program has sent something since the port was last closed
  for (;;) {
    if (master_ < 0) {  // hung up on purpose: stay dead until killed
      ::pause();
      continue;
    }
    // Read what is there; wait only when nothing is, as a device's UART
    // drains its FIFO before it idles.
    ssize_t n = ::read(master_, buf, sizeof buf);
    if (n < 0 && errno == EAGAIN) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 500) < 0 && errno != EINTR) std::exit(1);
      n = (p.revents & (POLLIN | POLLHUP)) ? ::read(master_, buf, sizeof buf) : 0;
    }
    if (n > 0) {
      pending.insert(pending.end(), buf, buf + n);
      in_use = true;
    } else if (n < 0 && errno == EIO) {
      // Nobody has the port open. Whatever was half-sent belongs to a run
      // that is over; wait for the next one.
      pending.clear();
      responder.Reset();
      if (in_use) responder.NoteClosed();
      in_use = false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    size_t used = 0;
    while (pending.size() - used >= kPacketSize) {
      device::CommandPacket::Bytes bytes;
      std::memcpy(bytes.data(), pending.data() + used, kPacketSize);
      used += kPacketSize;
      ++received_;
      if (faults.silence_after && received_ > *faults.silence_after) continue;
      replies.clear();
      const device::CommandPacket request(bytes);
      responder.Handle(request, replies);
      if (!replies.empty()) SendReplies(request, replies, faults);
      if (master_ < 0) break;
    }
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(used));
  }
}

}  // namespace orv::devsim
