// The service-driven upload relay, the parts that need neither device nor
// network: reading a phase reply into its steps, checking a step before any
// byte is read for it, filling a step buffer range by range, and the progress
// texts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <json/value.h>

namespace orv {

// One device memory range of a step: read with one block read.
struct UploadRange {
  uint32_t addr = 0;
  uint32_t size = 0;
};

struct UploadStep {
  std::string command;  // device endpoint the bytes are posted to
  int64_t cb_send = 0;  // bytes posted, also the size of the step buffer
  std::vector<UploadRange> flash;
  // Set when a member has the wrong JSON type or an impossible value; such a
  // step is refused before the device is touched.
  bool malformed = false;
};

// `response` of a phase reply: tknum steps reading `total` bytes in all.
struct UploadPhase {
  int tknum = 0;
  int64_t total = 0;
  std::vector<UploadStep> spi;
  bool malformed = false;
};

inline constexpr uint32_t kUploadBlockSize = 4096;
// A reply cannot make us allocate more than this for one step: the device's
// whole memory is 16 MiB, so a larger buffer can only come from a broken reply.
inline constexpr int64_t kMaxStepBytes = 16 << 20;

// Reads a phase from a reply body. Missing members read as 0 / empty; members
// of another type mark the phase or the step malformed. A body that is not
// JSON gives an empty, malformed phase.
UploadPhase ParseUploadPhase(std::string_view body);
UploadStep ParseUploadStep(const Json::Value& step);

// Why a step cannot run: empty when it can. A size above one block, ranges
// that together overflow the buffer, or a buffer beyond kMaxStepBytes.
std::string CheckUploadStep(const UploadStep& step);

// Reads one block (device address, destination, byte count); false on failure.
using BlockReader = std::function<bool(uint32_t, uint8_t*, uint32_t)>;
// Called before each range is read, with that range's size.
using RangeStarted = std::function<void(uint32_t size)>;

// Fills `buffer` (cb_send bytes, zeroed) with the step's ranges one after
// another from its start. False as soon as a read fails; nothing else is read.
bool FillStepBuffer(const UploadStep& step, const BlockReader& read, const RangeStarted& started,
                    std::vector<uint8_t>& buffer);

// "%d/%d %d/%d": steps started, step count, bytes read, byte total.
std::string ProgressDetail(int started, int count, int64_t read, int64_t total);
// Bytes read × 100 / total; 0 while the total is 0 or negative, and never
// above 100 when a service under-reports its total.
int ProgressPercent(int64_t read, int64_t total);

}  // namespace orv
