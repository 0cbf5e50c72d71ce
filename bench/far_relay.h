// A relay on loopback that puts the service far away: every byte it passes
// arrives `one_way_ms` after it was sent, in both directions, so a round
// trip costs twice that whatever the line's width. Each connection to it is
// one connection to the service, so keeping and reusing connections, and
// asking several things at once, count as they would over a real distance.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orv::bench {

class FarRelay {
 public:
  FarRelay(int upstream_port, int one_way_ms) : upstream_(upstream_port), delay_(one_way_ms) {
    listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at = Loopback(0);
    socklen_t size = sizeof at;
    if (listen_ < 0 || ::bind(listen_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 ||
        ::listen(listen_, 16) != 0 || ::getsockname(listen_, reinterpret_cast<sockaddr*>(&at), &size) != 0)
      return;
    port_ = ntohs(at.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
  }

  ~FarRelay() {
    ::shutdown(listen_, SHUT_RDWR);
    ::close(listen_);
    if (acceptor_.joinable()) acceptor_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    for (int fd : sockets_) ::shutdown(fd, SHUT_RDWR);
    for (std::thread& t : pumps_) t.join();
    for (int fd : sockets_) ::close(fd);
  }

  int port() const { return port_; }

 private:
  using Clock = std::chrono::steady_clock;

  // What one direction holds in transit: chunks with the time they are due.
  struct Line {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<std::pair<Clock::time_point, std::string>> chunks;  // an empty chunk: the end
  };

  static sockaddr_in Loopback(int port) {
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(static_cast<uint16_t>(port));
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return at;
  }

  void Accept() {
    for (;;) {
      const int client = ::accept(listen_, nullptr, nullptr);
      if (client < 0) return;
      const int server = ::socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in at = Loopback(upstream_);
      if (::connect(server, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
        ::close(client);
        ::close(server);
        continue;
      }
      const int one = 1;
      for (int fd : {client, server}) ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      std::lock_guard<std::mutex> lock(mutex_);
      sockets_.insert(sockets_.end(), {client, server});
      for (const std::pair<int, int>& way : {std::pair{client, server}, std::pair{server, client}}) {
        auto line = std::make_shared<Line>();
        pumps_.emplace_back([this, from = way.first, line] { Read(from, *line); });
        pumps_.emplace_back([to = way.second, line] { Write(to, *line); });
      }
    }
  }

  void Read(int from, Line& line) {
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(from, buffer, sizeof buffer);
      std::lock_guard<std::mutex> lock(line.mutex);
      line.chunks.emplace_back(Clock::now() + std::chrono::milliseconds(delay_),
                               n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string());
      line.ready.notify_one();
      if (n <= 0) return;
    }
  }

  static void Write(int to, Line& line) {
    for (;;) {
      std::unique_lock<std::mutex> lock(line.mutex);
      line.ready.wait(lock, [&] { return !line.chunks.empty(); });
      auto [due, chunk] = std::move(line.chunks.front());
      line.chunks.pop_front();
      lock.unlock();
      std::this_thread::sleep_until(due);
      if (chunk.empty()) {
        ::shutdown(to, SHUT_WR);
        return;
      }
      for (size_t sent = 0; sent < chunk.size();) {
        const ssize_t n = ::send(to, chunk.data() + sent, chunk.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
      }
    }
  }

  int upstream_, delay_;
  int listen_ = -1, port_ = 0;
  std::thread acceptor_;
  std::mutex mutex_;
  std::vector<int> sockets_;
  std::vector<std::thread> pumps_;
};

}  // namespace orv::bench
