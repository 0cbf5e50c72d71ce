// DownloadToFile: the body goes to a private temporary file beside the target
// and replaces the target only once the whole answer has arrived, so a URL
// that cannot be opened, an error page or a cut-off body leaves an existing
// file exactly as it was.
#include <curl/curl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cloud/curl_setup.h"
#include "cloud/http_post.h"

namespace orv {

namespace {

size_t WriteFile(char* data, size_t, size_t size, void* user) {
  return std::fwrite(data, 1, size, static_cast<FILE*>(user));
}

struct TempFile {
  std::string path;
  FILE* file = nullptr;
  explicit TempFile(const std::string& target) : path(target + ".XXXXXX") {
    int fd = mkstemp(path.data());
    if (fd < 0) {
      path.clear();
      return;
    }
    file = fdopen(fd, "w+b");
    if (!file) ::close(fd);
  }
  ~TempFile() {
    if (file) std::fclose(file);
    if (!path.empty()) std::remove(path.c_str());
  }
  bool Commit(const std::string& target) {
    bool flushed = std::fclose(file) == 0;
    file = nullptr;
    if (std::rename(path.c_str(), target.c_str()) != 0) return false;
    path.clear();
    return flushed;
  }
};

}  // namespace

bool DownloadToFile(const std::string& url, const std::string& path, ErrorStatus error_status) {
  detail::EnsureCurlGlobal();
  CURL* curl = curl_easy_init();
  if (!curl) return false;
  TempFile temp(path);
  if (!temp.file) {
    curl_easy_cleanup(curl);
    return false;
  }
  detail::ApplyTransportOptions(curl, detail::UrlHost(url));
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteFile);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, temp.file);
  CURLcode rc = curl_easy_perform(curl);
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
  return temp.Commit(path);
}

}  // namespace orv
