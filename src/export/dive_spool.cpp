#include "export/dive_spool.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace orv {

namespace {

constexpr size_t kPiece = 1 << 20;

int NamelessFile(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  // A file system without unnamed files: a named one, unlinked at once.
  std::string name = folder + "/.orvelle-export-XXXXXX";
  const int named = ::mkostemp(name.data(), O_CLOEXEC);
  if (named >= 0) ::unlink(name.c_str());
  return named;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n, size -= static_cast<size_t>(n);
  }
  return true;
}

bool ReadAll(int fd, char* data, size_t size, uint64_t offset) {
  while (size > 0) {
    const ssize_t n = ::pread(fd, data, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n, size -= static_cast<size_t>(n), offset += static_cast<uint64_t>(n);
  }
  return true;
}

}  // namespace

DiveSpool::DiveSpool(const std::string& folder) : on_disk_(!folder.empty()) {
  if (on_disk_) {
    fd_ = NamelessFile(folder);
    failed_ = fd_ < 0;
  }
}

DiveSpool::~DiveSpool() {
  if (fd_ >= 0) ::close(fd_);
}

bool DiveSpool::Flush() {
  if (!on_disk_ || pending_.empty() || failed_) return !failed_;
  failed_ = !WriteAll(fd_, pending_.data(), pending_.size());
  pending_.clear();
  return !failed_;
}

bool DiveSpool::Add(int64_t local_start, std::string_view text) {
  if (failed_) return false;
  entries_.push_back({local_start, end_, text.size()});
  end_ += text.size();
  pending_.append(text);
  return pending_.size() < kPiece || Flush();
}

bool DiveSpool::ForEach(const std::function<bool(int64_t, std::string_view)>& each) {
  if (!Flush()) return false;
  std::stable_sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.start < b.start; });
  std::string text;
  for (const Entry& e : entries_) {
    std::string_view piece;
    if (on_disk_) {
      text.resize(e.size);
      if (!ReadAll(fd_, text.data(), text.size(), e.offset)) return failed_ = true, false;
      piece = text;
    } else {
      piece = std::string_view(pending_).substr(e.offset, e.size);
    }
    if (!each(e.start, piece)) return false;
  }
  return true;
}

}  // namespace orv
