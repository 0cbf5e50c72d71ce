// DownloadToFile: the body goes to a private temporary file beside the target
// (ReplacingFile) and replaces the target only once the whole answer has
// arrived, so a URL that cannot be opened, an error page, a cut-off body or
// one past its bound leaves an existing file exactly as it was.
#include <curl/curl.h>

#include <string>

#include "app/safe_file.h"
#include "cloud/curl_setup.h"
#include "cloud/http_post.h"

namespace orv {

namespace {

struct FileSink {
  CURL* curl;
  ReplacingFile* file;
  std::uint64_t max_bytes;
  std::uint64_t received = 0;
  bool too_big = false;
  bool write_failed = false;
};

// Returning less than `size` aborts the transfer at once: a body past its
// bound is never read to its end (a service that never stops sending would
// otherwise fill the disk).
size_t WriteFile(char* data, size_t, size_t size, void* user) {
  auto* sink = static_cast<FileSink*>(user);
  curl_off_t announced = -1;
  curl_easy_getinfo(sink->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
  if ((announced > 0 && static_cast<std::uint64_t>(announced) > sink->max_bytes) ||
      sink->received + size > sink->max_bytes) {
    sink->too_big = true;
    return 0;
  }
  if (!sink->file->Write(data, size)) {
    sink->write_failed = true;
    return 0;
  }
  sink->received += size;
  return size;
}

}  // namespace

HttpResult DownloadToFile(const std::string& url, const std::string& path, const DownloadLimits& limits) {
  HttpResult result;
  result.outcome = TransferOutcome::Failed;
  detail::EnsureCurlGlobal();
  CURL* curl = curl_easy_init();
  CURLM* multi = curl_multi_init();
  ReplacingFile temp(path);
  if (!curl || !multi || !temp.ok()) {
    if (curl) curl_easy_cleanup(curl);
    if (multi) curl_multi_cleanup(multi);
    if (!temp.ok()) result.outcome = TransferOutcome::LocalFile;
    return result;
  }
  FileSink sink{curl, &temp, limits.max_bytes};
  detail::ApplyTransportOptions(curl, detail::UrlHost(url));
  detail::ApplyDownloadLimits(curl);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteFile);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  bool stopped = false;
  const CURLcode rc = detail::Perform(multi, curl, stopped);
  curl_off_t announced = -1, received = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
  curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
  curl_easy_getinfo(curl, CURLINFO_SIZE_DOWNLOAD_T, &received);
  curl_easy_cleanup(curl);
  curl_multi_cleanup(multi);
  result.outcome = detail::Classify(rc, stopped, result.status != 0);
  if (sink.too_big)
    result.outcome = TransferOutcome::TooLarge;
  else if (sink.write_failed)
    result.outcome = TransferOutcome::LocalFile;
  // A body that stopped short (libcurl reports a connection closed early as
  // a partial file; the length check covers the rest) or an error page would
  // be taken for the file itself, and an update would flash it.
  if (!result.complete()) return result;
  if (announced >= 0 && received != announced) {
    result.outcome = TransferOutcome::Cut;
    return result;
  }
  const bool success = result.status >= 200 && result.status < 300;
  if (!success && limits.error_status == ErrorStatus::Fails) {
    result.outcome = TransferOutcome::ErrorStatus;
    return result;
  }
  if (!temp.Commit()) result.outcome = TransferOutcome::LocalFile;
  return result;
}

}  // namespace orv
