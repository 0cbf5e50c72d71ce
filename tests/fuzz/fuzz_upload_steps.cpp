// Upload phase replies from arbitrary bytes: a step that passes its check is
// filled without a read outside its buffer, and the progress figures stay in
// range whatever numbers the service sent.
#include <algorithm>
#include <vector>

#include "fuzz_check.h"
#include "transfer/upload_steps.h"

using namespace orv;

namespace {

// Larger buffers are checked but not filled, to keep each run quick.
constexpr int64_t kFillLimit = 1 << 16;

void CheckStep(const UploadStep& step) {
  const std::string why = CheckUploadStep(step);
  if (step.malformed) FUZZ_CHECK(!why.empty());
  if (!why.empty()) return;
  FUZZ_CHECK(step.cb_send >= 0 && step.cb_send <= kMaxStepBytes);
  int64_t sum = 0;
  for (const UploadRange& r : step.flash) {
    FUZZ_CHECK(r.size <= kUploadBlockSize);
    sum += r.size;
  }
  FUZZ_CHECK(sum <= step.cb_send);
  if (step.cb_send > kFillLimit) return;

  std::vector<uint8_t> buffer;
  int64_t read = 0, started = 0;
  const bool filled = FillStepBuffer(
      step,
      [&](uint32_t, uint8_t* to, uint32_t count) {
        FUZZ_CHECK(to >= buffer.data() && to + count <= buffer.data() + buffer.size());
        std::fill(to, to + count, 0xA5);
        read += count;
        return true;
      },
      [&](uint32_t size) { started += size; }, buffer);
  FUZZ_CHECK(filled && read == sum && started == sum);
  FUZZ_CHECK(buffer.size() == static_cast<size_t>(step.cb_send));
  // The ranges fill the buffer from its start, the rest stays zero.
  for (size_t i = 0; i < buffer.size(); ++i) FUZZ_CHECK(buffer[i] == (static_cast<int64_t>(i) < sum ? 0xA5 : 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const UploadPhase phase = ParseUploadPhase(fuzz::AsText(data, size));
  int64_t done = 0;
  int count = 0;
  for (const UploadStep& step : phase.spi) {
    if (++count > 16) break;
    CheckStep(step);
    for (const UploadRange& r : step.flash) done += r.size;
    const int percent = ProgressPercent(done, phase.total);
    FUZZ_CHECK(percent >= 0 && percent <= 100);
    const std::string detail = ProgressDetail(count, phase.tknum, done, phase.total);
    FUZZ_CHECK(!detail.empty() && detail.size() < 96);
  }
  return 0;
}
