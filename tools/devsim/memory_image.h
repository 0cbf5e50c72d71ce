// The simulated dive computer's memory: a file-backed byte image, so written
// blocks survive a restart of the simulator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace orv::devsim {

class MemoryImage {
 public:
  MemoryImage() = default;
  ~MemoryImage();
  MemoryImage(const MemoryImage&) = delete;
  MemoryImage& operator=(const MemoryImage&) = delete;

  // Maps `path`; a missing file is created with `size` bytes of 0xFF and
  // `created` is set. A file of another size is refused. False with error().
  bool Open(const std::string& path, size_t size, bool& created);
  const std::string& error() const { return error_; }

  size_t size() const { return size_; }
  // Copies out.size() bytes from `address`; bytes past the end read as 0xFF
  // (erased flash), as the device's bus would return them.
  void Read(uint32_t address, std::span<uint8_t> out) const;
  // False when the range does not lie wholly inside the image.
  bool Write(uint32_t address, std::span<const uint8_t> bytes);

 private:
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  std::string error_;
};

}  // namespace orv::devsim
