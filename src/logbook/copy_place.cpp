#include "logbook/copy_place.h"

#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace orv {

namespace {

std::string DataHome() {
  // Read at every call rather than through GLib's cache, so a test or a
  // portable set-up that changes XDG_DATA_HOME is followed.
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  return std::string(home && home[0] == '/' ? home : g_get_home_dir()) + "/.local/share";
}

bool MakeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) == 0) return true;
  struct stat st;
  return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string NormalEmail(const std::string& email) {
  const size_t first = email.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  std::string e = email.substr(first, email.find_last_not_of(" \t\r\n") - first + 1);
  std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return e;
}

}  // namespace

std::string SavedCopyFolder(bool create) {
  std::string folder = DataHome() + "/orvelle-pc-tool";
  if (!create) return folder;
  // Missing parents are made private too: they would hold nothing else yet.
  for (size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1))
    MakeFolder(folder.substr(0, slash));
  if (!MakeFolder(folder)) return {};
  ::chmod(folder.c_str(), 0700);
  return folder;
}

std::string SavedCopyPath(const std::string& email) {
  const std::string e = NormalEmail(email);
  gchar* digest = g_compute_checksum_for_data(G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(e.data()), e.size());
  std::string name = std::string("logbook-") + std::string(digest).substr(0, 32) + ".sqlite";
  g_free(digest);
  return SavedCopyFolder(false) + "/" + name;
}

bool SavedCopyExists(const std::string& email) {
  struct stat st;
  return !NormalEmail(email).empty() && ::stat(SavedCopyPath(email).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ForgetSavedCopy(const std::string& email) {
  const std::string path = SavedCopyPath(email);
  bool ok = true;
  for (const char* suffix : {"", "-wal", "-shm"})
    if (::unlink((path + suffix).c_str()) != 0 && errno != ENOENT) ok = false;
  return ok;
}

}  // namespace orv
