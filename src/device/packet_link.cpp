#include "device/packet_link.h"

#include <algorithm>
#include <cstring>

#include <boost/asio/buffer.hpp>
#include <boost/asio/error.hpp>

#include "app/stop_request.h"

namespace orv::device {

namespace asio = boost::asio;

namespace {

LinkStatus Classify(const boost::system::error_code& ec) {
  if (!ec) return LinkStatus::Ok;
  // The other end went away: EOF, or EIO as a pseudo-terminal reports it.
  if (ec == asio::error::eof || ec == boost::system::errc::io_error) return LinkStatus::HangUp;
  return LinkStatus::Error;
}

}  // namespace

PacketLink::PacketLink(asio::serial_port& port, asio::io_context& io) : port_(port), io_(io) {}

template <typename Start>
LinkStatus PacketLink::RunWithDeadline(Start start, std::chrono::milliseconds deadline,
                                       size_t& transferred) {
  if (!port_.is_open()) return LinkStatus::Error;
  bool done = false;
  boost::system::error_code result;
  io_.restart();
  start([&](const boost::system::error_code& ec, size_t n) {
    done = true;
    result = ec;
    transferred = n;
  });
  // The wait goes in short slices so that a stop request is seen within one
  // of them, even while the device is silent.
  constexpr std::chrono::milliseconds kSlice{50};
  const auto until = std::chrono::steady_clock::now() + deadline;
  bool stopped = false;
  while (!done) {
    if (stoppable_ && StopRequested()) {
      stopped = true;
      break;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    io_.run_for(std::min(left, kSlice));
  }
  if (done) return Classify(result);
  // Expired or stopped: cancel and let the cancelled handler run, so nothing
  // refers to our stack once we return.
  boost::system::error_code ignored;
  port_.cancel(ignored);
  io_.restart();
  io_.run();
  return stopped ? LinkStatus::Stopped : LinkStatus::Timeout;
}

LinkStatus PacketLink::Write(const CommandPacket& packet, std::chrono::milliseconds deadline) {
  return WriteAll(std::span<const CommandPacket>(&packet, 1), deadline);
}

LinkStatus PacketLink::WriteAll(std::span<const CommandPacket> packets, std::chrono::milliseconds deadline) {
  out_.clear();
  for (const auto& p : packets) out_.insert(out_.end(), p.bytes().begin(), p.bytes().end());
  size_t done = 0;
  while (done < out_.size()) {
    size_t n = 0;
    LinkStatus s = RunWithDeadline(
        [&](auto handler) {
          port_.async_write_some(asio::buffer(out_.data() + done, out_.size() - done), handler);
        },
        deadline, n);
    if (s != LinkStatus::Ok) return s;
    done += n;
  }
  written_ += packets.size();
  return LinkStatus::Ok;
}

LinkStatus PacketLink::Read(CommandPacket& packet, std::chrono::milliseconds deadline) {
  const auto until = std::chrono::steady_clock::now() + deadline;
  while (end_ - begin_ < kPacketSize) {
    if (begin_ > 0) {  // keep the partial packet at the front
      std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
      end_ -= begin_;
      begin_ = 0;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    if (left.count() <= 0) return LinkStatus::Timeout;
    size_t n = 0;
    LinkStatus s = RunWithDeadline(
        [&](auto handler) {
          port_.async_read_some(asio::buffer(buffer_.data() + end_, buffer_.size() - end_), handler);
        },
        left, n);
    if (s != LinkStatus::Ok) return s;
    end_ += n;
  }
  std::copy_n(buffer_.data() + begin_, kPacketSize, packet.bytes().begin());
  begin_ += kPacketSize;
  ++read_;
  return LinkStatus::Ok;
}

}  // namespace orv::device
