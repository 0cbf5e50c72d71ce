// DownloadToFile: the body goes to a private temporary file beside the target
// (ReplacingFile) and replaces the target only once the server has answered,
// so a URL that cannot be opened leaves an existing file exactly as it was.
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

bool DownloadToFile(const std::string& url, const std::string& path) {
  detail::EnsureCurlGlobal();
  CURL* curl = curl_easy_init();
  if (!curl) return false;
  ReplacingFile temp(path);
  if (!temp.ok()) {
    curl_easy_cleanup(curl);
    return false;
  }
  detail::ApplyTransportOptions(curl, detail::UrlHost(url));
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteFile);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &temp);
  CURLcode rc = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_cleanup(curl);
  // No status means the URL never opened: nothing is replaced.
  if (status == 0) return false;
  bool committed = temp.Commit();
  return committed && rc == CURLE_OK;
}

}  // namespace orv
