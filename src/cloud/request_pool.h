// Several GET requests of one operation in flight side by side (the log
// book's sync): at most `width` at once, on connections kept and reused
// between them, multiplexed over one HTTP/2 connection where the service
// offers it, one HTTP/1.1 keep-alive connection each otherwise. Each request
// is sent, bounded and read exactly as HttpPost sends, bounds and reads it.
//
// Driven by the thread that owns it; the program's stop, the thread's
// current operation or the pool's own `stop` operation end every transfer
// in flight (the pool's own cancel wakes it at once, the others are seen
// within a tenth of a second). Never the UI thread: it does not run
// through the TransferRunner.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "app/cancellable.h"
#include "cloud/endpoints.h"
#include "cloud/http_post.h"

namespace orv {

class RequestPool {
 public:
  static constexpr int kMaxWidth = 4;

  // `stop` (may be null; it must outlive the pool) is watched as well as
  // the stop request.
  explicit RequestPool(int width = kMaxWidth, Cancellable* stop = nullptr);
  ~RequestPool();
  RequestPool(const RequestPool&) = delete;
  RequestPool& operator=(const RequestPool&) = delete;

  // Starts `endpoint` (a GET, with BearerHeader() when it asks for it) to
  // the configured service; `tag` comes back with its result. False when
  // `width` requests are already in flight or the handle cannot be made.
  bool Start(std::uint64_t tag, const Endpoint& endpoint);

  struct Done {
    std::uint64_t tag = 0;
    HttpResult result;
  };
  // Waits up to `timeout_ms` for transfers to end and returns those that
  // did. On a stop every transfer in flight ends as Stopped at once.
  std::vector<Done> Wait(int timeout_ms);
  // Ends every transfer in flight, unread.
  void Abandon();

  int in_flight() const;
  bool full() const { return in_flight() >= width_; }
  bool Stopping() const;

 private:
  struct Slot;
  Done End(Slot& slot, int rc, bool stopped);
  void* multi_ = nullptr;  // CURLM*
  int width_;
  Cancellable* stop_;
  int wake_id_ = -1;
  std::vector<std::unique_ptr<Slot>> slots_;
  std::string origin_, host_;
};

}  // namespace orv
