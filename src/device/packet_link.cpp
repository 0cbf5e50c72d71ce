#include "device/packet_link.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "app/cancellable.h"

namespace orv::device {

namespace {

using Clock = std::chrono::steady_clock;

// Why a read or write failed: the other end went away (EOF, or EIO as a
// pseudo-terminal reports it), or something else.
LinkStatus Classify(ssize_t result, int error) {
  if (result == 0 || error == EIO) return LinkStatus::HangUp;
  return LinkStatus::Error;
}

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

}  // namespace

PacketLink::PacketLink(boost::asio::serial_port& port) : port_(port) {}

int PacketLink::Descriptor() {
  if (!port_.is_open()) return -1;
  const int fd = port_.native_handle();
  if (fd != non_blocking_fd_) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return -1;
    non_blocking_fd_ = fd;
  }
  return fd;
}

LinkStatus PacketLink::WaitFor(short events, Clock::time_point until) {
  // The wait goes in short slices so that a stop request is seen within one
  // of them, even while the device is silent.
  constexpr std::chrono::milliseconds kSlice{50};
  for (;;) {
    if (stoppable_ && Cancellable::Current().IsCancelled()) return LinkStatus::Stopped;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
    if (left.count() <= 0) return LinkStatus::Timeout;
    pollfd p{port_.native_handle(), events, 0};
    const int n = ::poll(&p, 1, static_cast<int>(std::min(left, kSlice).count()));
    if (n < 0 && errno != EINTR) return LinkStatus::Error;
    // A hang-up or error shows in the read or write that follows.
    if (n > 0) return LinkStatus::Ok;
  }
}

LinkStatus PacketLink::Write(const CommandPacket& packet, std::chrono::milliseconds deadline) {
  return WriteAll(std::span<const CommandPacket>(&packet, 1), deadline);
}

LinkStatus PacketLink::WriteAll(std::span<const CommandPacket> packets, std::chrono::milliseconds deadline) {
  const int fd = Descriptor();
  if (fd < 0) return LinkStatus::Error;
  out_.clear();
  for (const auto& p : packets) out_.insert(out_.end(), p.bytes().begin(), p.bytes().end());
  size_t done = 0;
  auto until = Clock::now() + deadline;
  while (done < out_.size()) {
    const ssize_t n = ::write(fd, out_.data() + done, out_.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      until = Clock::now() + deadline;  // the deadline bounds each stretch without progress
      continue;
    }
    if (n < 0 && WouldBlock(errno)) {
      if (LinkStatus s = WaitFor(POLLOUT, until); s != LinkStatus::Ok) return s;
      continue;
    }
    return Classify(n, errno);
  }
  written_ += packets.size();
  awaiting_answer_ = true;
  return LinkStatus::Ok;
}

LinkStatus PacketLink::Read(CommandPacket& packet, std::chrono::milliseconds deadline) {
  // Most packets of a block are already in the buffer; the clock is read
  // only when one has to be waited for (it costs as much as the copy).
  std::optional<Clock::time_point> until;
  while (end_ - begin_ < kPacketSize) {
    if (begin_ > 0) {  // keep the partial packet at the front
      std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
      end_ -= begin_;
      begin_ = 0;
    }
    const int fd = Descriptor();
    if (fd < 0) return LinkStatus::Error;
    // Right after a request the answer cannot be there yet: wait for it
    // first rather than spend a read that only says so.
    if (awaiting_answer_ && end_ == begin_) {
      awaiting_answer_ = false;
      if (!until) until = Clock::now() + deadline;
      if (LinkStatus s = WaitFor(POLLIN, *until); s != LinkStatus::Ok) return s;
    }
    const ssize_t n = ::read(fd, buffer_.data() + end_, buffer_.size() - end_);
    if (n > 0) {
      end_ += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && WouldBlock(errno)) {
      if (!until) until = Clock::now() + deadline;
      if (LinkStatus s = WaitFor(POLLIN, *until); s != LinkStatus::Ok) return s;
      continue;
    }
    return Classify(n, errno);
  }
  std::copy_n(buffer_.data() + begin_, kPacketSize, packet.bytes().begin());
  begin_ += kPacketSize;
  ++read_;
  return LinkStatus::Ok;
}

}  // namespace orv::device
