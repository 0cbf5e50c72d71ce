// The one way the program speaks HTTP: one HttpPost per operation, connected
// once to one host and port, sending requests over TLS and returning what
// became of each one in an HttpResult. GETs and POSTs of one operation share
// one connection, and a request with a body is never sent twice. Status codes
// are never judged here; callers judge the body (reply_check.h). Also the file
// download and the authorisation header.
//
// Every transfer belongs to the calling thread's current Cancellable
// (cancellable.h), whose cancel (or its runner's) ends it at once; a stop
// from a signal, which wakes nothing, is seen within a tenth of a second.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/failure.h"

namespace orv {

// The outcome, the HTTP status (0 when none arrived) and, for a request, the
// body: the reply's bytes when the outcome is Complete, empty otherwise, so
// half a JSON text is never read as one.
struct HttpResult {
  TransferOutcome outcome = TransferOutcome::NotConnected;
  long status = 0;
  std::string body;
  bool complete() const { return outcome == TransferOutcome::Complete; }
};

// The Content-Type a request declares (also on a GET without body).
enum class BodyType { Form, Json };

class HttpPost {
 public:
  HttpPost() = default;
  virtual ~HttpPost();
  HttpPost(const HttpPost&) = delete;
  HttpPost& operator=(const HttpPost&) = delete;

  // Prepares the handle for host:port. True whenever the library handle
  // opens: an unreachable host only shows up as a Failed request.
  bool Connect(const std::string& host, int port);
  // The configured service (Service() in service_config.h).
  bool Connect();

  // Sends `verb` to https://host:port/`path` (path without the leading slash,
  // query included, already percent-encoded) with the Content-Type of
  // `type`, "accept: application/json" and `extra_headers` (CR LF separated
  // lines, such as BearerHeader()). The body is read in 1024-byte chunks
  // where a chunk contributes only its bytes before its first NUL, and is
  // abandoned (TooLarge) past kMaxReplyBytes.
  HttpResult Request(std::string_view verb, std::string_view path, std::string_view extra_headers, const void* body,
                     std::size_t length, BodyType type);
  HttpResult Request(std::string_view verb, std::string_view path, std::string_view extra_headers,
                     std::string_view body, BodyType type) {
    return Request(verb, path, extra_headers, body.data(), body.size(), type);
  }

  bool connected() const { return curl_ != nullptr; }

  static constexpr std::size_t kMaxReplyBytes = 64u << 20;

 private:
  void* curl_ = nullptr;   // CURL*, reused so requests of one operation share the connection
  void* multi_ = nullptr;  // CURLM* that keeps that connection between requests
  std::string origin_;     // "https://host:port"
  std::string host_;
};

// An HttpPost that ends keeps its connection for the next one to the same
// service (see http_post.cpp); this closes every connection so kept.
void CloseKeptConnections();

// "Authorization: Bearer <token>\r\n\r\n" with the signed-in diver's token
// (empty when none is held).
std::string BearerHeader();

// Whether a body under a status outside 2xx is a download or a failure.
enum class ErrorStatus { Fails, IsAnswer };

// What a download accepts.
struct DownloadLimits {
  // The most bytes the file may have; a body that passes it (or announces
  // more) is abandoned the moment it does, and nothing is kept.
  std::uint64_t max_bytes = 0;
  ErrorStatus error_status = ErrorStatus::Fails;
};

// Fetches an absolute https URL into `path`. Complete, with the file
// replaced, when the whole announced body arrived within its bound under a
// 2xx status (or, with ErrorStatus::IsAnswer, under any status). Otherwise
// the file is neither created nor changed, and no temporary is left: the URL
// could not be opened, the body ended early or passed its bound, the server
// answered with an error status, or a stop came. The result carries no body.
HttpResult DownloadToFile(const std::string& url, const std::string& path, const DownloadLimits& limits);

}  // namespace orv
