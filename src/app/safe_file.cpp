#include "app/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace orv {

namespace {

void SetError(std::string* error, const std::string& path, const std::string& reason) {
  if (error) *error = path + ": " + reason;
}

std::string Folder(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A regular file, or nothing there yet; anything else is refused.
bool Replaceable(const struct stat& st) { return S_ISREG(st.st_mode); }

void SyncFolder(const std::string& path) {
  const int dir = ::open(Folder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return;
  (void)::fsync(dir);
  ::close(dir);
}

}  // namespace

std::string ResolveWriteTarget(const std::string& path, std::string* error) {
  std::string target = path;
  // As many links as the kernel follows in one lookup.
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0) {
      if (errno == ENOENT) return target;  // a new file; its folder must exist when written
      SetError(error, path, std::strerror(errno));
      return {};
    }
    if (!S_ISLNK(st.st_mode)) {
      if (Replaceable(st)) return target;
      SetError(error, path, "not a regular file");
      return {};
    }
    std::string link(4096, '\0');
    const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
    if (n < 0 || static_cast<size_t>(n) >= link.size()) {
      SetError(error, path, n < 0 ? std::strerror(errno) : "link too long");
      return {};
    }
    link.resize(static_cast<size_t>(n));
    target = link.front() == '/' ? link : Folder(target) + "/" + link;
  }
  SetError(error, path, std::strerror(ELOOP));
  return {};
}

ReplacingFile::ReplacingFile(const std::string& path, const std::string& suffix) : path_(path) {
  target_ = ResolveWriteTarget(path, &error_);
  if (target_.empty()) return;
  std::string temp = target_ + ".XXXXXX" + suffix;
  // Exclusive and never through a link: the name cannot be made to point
  // anywhere else between its choice and its creation.
  fd_ = ::mkostemps(temp.data(), static_cast<int>(suffix.size()), O_CLOEXEC | O_NOFOLLOW);
  if (fd_ < 0) {
    Failed(errno);
    return;
  }
  temp_ = temp;
  // The temporary is private; the new file keeps the mode of the one it
  // replaces, or an ordinary document's.
  struct stat st {};
  ::fchmod(fd_, ::stat(target_.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
}

ReplacingFile::~ReplacingFile() { Discard(); }

bool ReplacingFile::Failed(int err) {
  if (error_.empty()) SetError(&error_, path_, std::strerror(err));
  Discard();
  return false;
}

void ReplacingFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

bool ReplacingFile::Write(const void* data, size_t size) {
  if (fd_ < 0) return false;
  const auto* bytes = static_cast<const char*>(data);
  for (size_t done = 0; done < size;) {
    const ssize_t n = ::write(fd_, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Failed(n < 0 ? errno : ENOSPC);
    done += static_cast<size_t>(n);
  }
  return true;
}

bool ReplacingFile::Commit() {
  if (fd_ < 0) return false;
  if (::fsync(fd_) != 0) return Failed(errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) return Failed(errno);
  // The target may have become something else since it was looked at.
  struct stat st {};
  if (::lstat(target_.c_str(), &st) == 0 && !Replaceable(st)) {
    error_ = path_ + ": not a regular file";
    return Failed(0);
  }
  if (::rename(temp_.c_str(), target_.c_str()) != 0) return Failed(errno);
  temp_.clear();
  SyncFolder(target_);
  return true;
}

bool ReplaceFile(const std::string& path, std::string_view bytes, std::string* error) {
  ReplacingFile file(path);
  const bool ok = file.ok() && file.Write(bytes.data(), bytes.size()) && file.Commit();
  if (!ok && error) *error = file.error();
  return ok;
}

std::optional<std::string> ReadRegularFile(const std::string& path, size_t max_bytes, std::string* error) {
  // Looked at before it is opened: opening a FIFO waits for a writer, and
  // opening a device can already act on it.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    SetError(error, path, std::strerror(errno));
    return std::nullopt;
  }
  if (!S_ISREG(st.st_mode)) {
    SetError(error, path, "not a regular file");
    return std::nullopt;
  }
  // Non-blocking, and checked again once open, in case the name was swapped
  // for something else in between.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    SetError(error, path, fd < 0 ? std::strerror(errno) : "not a regular file");
    if (fd >= 0) ::close(fd);
    return std::nullopt;
  }
  std::string bytes;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SetError(error, path, std::strerror(errno));
      break;
    }
    if (n == 0) {
      ::close(fd);
      return bytes;
    }
    bytes.append(buf, static_cast<size_t>(n));
    if (bytes.size() > max_bytes) {
      SetError(error, path, "too large");
      break;
    }
  }
  ::close(fd);
  return std::nullopt;
}

}  // namespace orv
