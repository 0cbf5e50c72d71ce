// DownloadToFile: the body goes to a private temporary file beside the target
// and replaces the target only once the server has answered, so a URL that
// cannot be opened leaves an existing file exactly as it was.
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

bool DownloadToFile(const std::string& url, const std::string& path) {
  detail::EnsureCurlGlobal();
  CURL* curl = curl_easy_init();
  if (!curl) return false;
  TempFile temp(path);
  if (!temp.file) {
    curl_easy_cleanup(curl);
    return false;
  }
  detail::ApplyTransportOptions(curl, detail::UrlHost(url));
  detail::ApplyDownloadLimits(curl);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteFile);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, temp.file);
  CURLcode rc = detail::Perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_cleanup(curl);
  // No status means the URL never opened: nothing is replaced.
  if (status == 0) return false;
  bool committed = temp.Commit(path);
  return committed && rc == CURLE_OK;
}

}  // namespace orv
