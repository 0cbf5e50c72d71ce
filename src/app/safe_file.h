// Reading and replacing the diver's own files (dive-site files, memory
// dumps, downloaded update files) so that a path naming something other than
// a plain file is refused before anything is opened or changed.
//
// Writing: a symbolic link is followed and the file it leads to is replaced,
// the link itself stays. The new bytes go to a temporary file created
// exclusively, without following links, in that file's own folder, and reach
// the disk before the temporary is renamed over it, so a crash or a full disk
// leaves the old file or the new one, never a mixture. A target that exists
// and is not a regular file (device, FIFO, socket, folder) is refused and
// left untouched.
//
// Reading: only a regular file is opened; a FIFO, device or socket is refused
// at once instead of blocking or reading from a device.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orv {

// The file a write to `path` really changes: symbolic links followed (also
// one that leads to a file not yet there). Empty with `error` set when the
// links loop or the final file exists and is not a regular file.
std::string ResolveWriteTarget(const std::string& path, std::string* error = nullptr);

// A temporary file that replaces the target once committed; removed again
// when it ends without a commit.
class ReplacingFile {
 public:
  // The temporary is named "<target>.XXXXXX<suffix>" (random letters).
  explicit ReplacingFile(const std::string& path, const std::string& suffix = "");
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // False when the target was refused or no temporary could be made.
  bool ok() const { return fd_ >= 0; }
  bool Write(const void* data, size_t size);
  // Flushes the bytes to disk and renames the temporary over the target.
  bool Commit();
  // Drops the temporary; the target stays as it was.
  void Discard();

  // "<path>: <reason>" of the first failure.
  const std::string& error() const { return error_; }
  // The temporary's path while it exists, for tests.
  const std::string& temp_path() const { return temp_; }

 private:
  bool Failed(int err);

  std::string path_;
  std::string target_;
  std::string temp_;
  std::string error_;
  int fd_ = -1;
};

// Replaces `path` with `bytes` through a ReplacingFile.
bool ReplaceFile(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// The whole of a regular file of at most `max_bytes`; absent with `error`
// set for anything else.
std::optional<std::string> ReadRegularFile(const std::string& path, size_t max_bytes, std::string* error = nullptr);

}  // namespace orv
