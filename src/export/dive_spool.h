// Dives come from the walk month by month but a file wants them in start
// order, and a UDDF file names its sites and gas mixes before any dive. So
// each dive's text is kept on disk the moment it is made, with its start,
// and read back in start order once the walk ends: only a small index per
// dive stays in memory, whatever the size of the log book or its profiles.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

class DiveSpool {
 public:
  // Kept in `folder` (the target's own, so the spool fills the disk the
  // file goes to, never a small /tmp), as a file without a name that
  // vanishes with the process; empty `folder`: kept in memory.
  explicit DiveSpool(const std::string& folder = {});
  ~DiveSpool();
  DiveSpool(const DiveSpool&) = delete;
  DiveSpool& operator=(const DiveSpool&) = delete;

  // False once the spool could not be made or written.
  bool ok() const { return !failed_; }
  bool Add(int64_t local_start, std::string_view text);
  size_t size() const { return entries_.size(); }
  // Every text in start order, ties in the order added; stops at the first
  // false `each` returns and returns false then, or when reading failed.
  bool ForEach(const std::function<bool(int64_t local_start, std::string_view text)>& each);

 private:
  bool Flush();
  struct Entry {
    int64_t start;
    uint64_t offset;
    uint64_t size;
  };
  std::vector<Entry> entries_;
  std::string pending_;  // written to the file in large pieces
  uint64_t end_ = 0;
  int fd_ = -1;
  bool on_disk_ = false, failed_ = false;
};

}  // namespace orv
