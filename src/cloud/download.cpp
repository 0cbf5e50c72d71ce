// DownloadToFile: the body goes to a private temporary file beside the target
// (ReplacingFile) and replaces the target only once the whole answer has
// arrived, so a URL that cannot be opened, an error page or a cut-off body
// leaves an existing file exactly as it was.
#include <curl/curl.h>

#include <string>

#include "app/safe_file.h"
#include "cloud/curl_setup.h"
#include "cloud/http_post.h"

namespace orv {

namespace {

size_t WriteFile(char* data, size_t, size_t size, void* user) {
  return static_cast<ReplacingFile*>(user)->Write(data, size) ? size : 0;
}

}  // namespace

bool DownloadToFile(const std::string& url, const std::string& path, ErrorStatus error_status) {
  detail::EnsureCurlGlobal();
  CURL* curl = curl_easy_init();
  if (!curl) return false;
  ReplacingFile temp(path);
  if (!temp.ok()) {
    curl_easy_cleanup(curl);
    return false;
  }
  detail::ApplyTransportOptions(curl, detail::UrlHost(url));
  detail::ApplyDownloadLimits(curl);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteFile);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &temp);
  CURLcode rc = detail::Perform(curl);
  long status = 0;
  curl_off_t announced = -1, received = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
  curl_easy_getinfo(curl, CURLINFO_SIZE_DOWNLOAD_T, &received);
  curl_easy_cleanup(curl);
  // No status means the URL never opened. A body that stopped short (libcurl
  // reports a connection closed early as a partial file; the length check
  // covers the rest) or an error page would be taken for the file itself,
  // and an update would flash it.
  if (status == 0 || rc != CURLE_OK) return false;
  if (announced >= 0 && received != announced) return false;
  bool success = status >= 200 && status < 300;
  if (!success && error_status == ErrorStatus::Fails) return false;
  return temp.Commit();
}

}  // namespace orv
