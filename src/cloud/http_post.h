// The one way the program speaks HTTP: one HttpPost per operation, connected
// once to one host and port, sending requests over TLS and returning each
// reply body as text. GETs share one connection; every other request opens
// its own, so none is ever sent twice. Status codes are never looked at; callers judge the
// body (reply_check.h). Also the file download and the authorisation header.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orv {

class HttpPost {
 public:
  HttpPost() = default;
  virtual ~HttpPost();
  HttpPost(const HttpPost&) = delete;
  HttpPost& operator=(const HttpPost&) = delete;

  // Prepares the handle for host:port. True whenever the library handle
  // opens: an unreachable host only shows up as an empty body from Request.
  bool Connect(const std::string& host, int port);
  // The configured service (Service() in service_config.h).
  bool Connect();

  // Sends `verb` to https://host:port/`path` (path without the leading slash,
  // query included, already percent-encoded) with the Content-Type of a form
  // or, when `json`, of JSON (also on a GET without body), "accept:
  // application/json" and `extra_headers` (CR LF separated lines, such as
  // BearerHeader()). Returns the reply body read in 1024-byte chunks where a
  // chunk contributes only its bytes before its first NUL; empty when the
  // request could not be sent, when nothing came back, when not connected, or
  // when the body grows beyond kMaxReplyBytes.
  std::string Request(std::string_view verb, std::string_view path, std::string_view extra_headers,
                      const void* body, std::size_t length, bool json);
  std::string Request(std::string_view verb, std::string_view path, std::string_view extra_headers,
                      std::string_view body, bool json) {
    return Request(verb, path, extra_headers, body.data(), body.size(), json);
  }

  bool connected() const { return curl_ != nullptr; }

  static constexpr std::size_t kMaxReplyBytes = 64u << 20;

 private:
  void* curl_ = nullptr;  // CURL*, reused so requests of one operation share the connection
  std::string origin_;    // "https://host:port"
  std::string host_;
};

// "Authorization: Bearer <token>\r\n\r\n" with the signed-in diver's token
// (empty when none is held).
std::string BearerHeader();

// Whether a body under a status outside 2xx is a download or a failure.
enum class ErrorStatus { Fails, IsAnswer };

// Fetches an absolute https URL into `path`. True, with the file replaced,
// when the whole announced body arrived under a 2xx status (or, with
// ErrorStatus::IsAnswer, under any status). Otherwise false, and the file is
// neither created nor changed: the URL could not be opened, the body ended
// early, or (by default) the server answered with an error status.
bool DownloadToFile(const std::string& url, const std::string& path,
                    ErrorStatus error_status = ErrorStatus::Fails);

}  // namespace orv
