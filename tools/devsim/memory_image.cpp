#include "memory_image.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace orv::devsim {

MemoryImage::~MemoryImage() {
  if (data_) ::munmap(data_, size_);
}

bool MemoryImage::Open(const std::string& path, size_t size, bool& created) {
  created = false;
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) {
    // Build the erased image beside the target and move it into place, so a
    // half-written image never appears under the real name.
    std::string tmp = path + ".new";
    int t = ::open(tmp.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (t < 0) {
      error_ = path + ": " + std::strerror(errno);
      return false;
    }
    std::vector<uint8_t> erased(1 << 16, 0xFF);
    bool ok = true;
    for (size_t done = 0; ok && done < size; done += erased.size())
      ok = ::write(t, erased.data(), std::min(erased.size(), size - done)) ==
           static_cast<ssize_t>(std::min(erased.size(), size - done));
    ok = ok && ::fsync(t) == 0;
    ::close(t);
    if (!ok || ::rename(tmp.c_str(), path.c_str()) != 0) {
      error_ = path + ": cannot create image";
      ::unlink(tmp.c_str());
      return false;
    }
    created = true;
    fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  }
  if (fd < 0) {
    error_ = path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || static_cast<size_t>(st.st_size) != size) {
    error_ = path + ": not a memory image of " + std::to_string(size) + " bytes";
    ::close(fd);
    return false;
  }
  void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  ::close(fd);
  if (p == MAP_FAILED) {
    error_ = path + ": " + std::strerror(errno);
    return false;
  }
  data_ = static_cast<uint8_t*>(p);
  size_ = size;
  return true;
}

void MemoryImage::Read(uint32_t address, std::span<uint8_t> out) const {
  std::fill(out.begin(), out.end(), uint8_t{0xFF});
  if (address >= size_) return;
  size_t n = std::min(out.size(), size_ - address);
  std::memcpy(out.data(), data_ + address, n);
}

bool MemoryImage::Write(uint32_t address, std::span<const uint8_t> bytes) {
  if (address > size_ || bytes.size() > size_ - address) return false;
  // The mapping is shared with the file, so an acknowledged block is in the
  // file as soon as it is copied, even when the simulator is killed next.
  std::memcpy(data_ + address, bytes.data(), bytes.size());
  return true;
}

}  // namespace orv::devsim
