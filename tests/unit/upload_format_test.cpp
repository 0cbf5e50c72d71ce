// The dive-log memory as the virtual device writes it and the service reads
// it back: both sides of docs/device.md's layout must agree.
#include <gtest/gtest.h>

#include <unistd.h>

#include "dive_memory.h"
#include "dive_record.h"
#include "image_layout.h"

namespace orv {
namespace {

std::string ReadRange(const devsim::MemoryImage& image, uint32_t addr, uint32_t size) {
  std::string out(size, '\0');
  image.Read(addr, std::span<uint8_t>(reinterpret_cast<uint8_t*>(out.data()), size));
  return out;
}

TEST(UploadFormat, DevicesDivesReadBackAsDiveLogs) {
  char path[] = "/tmp/orv-upload-imageXXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  unlink(path);
  devsim::MemoryImage image;
  bool created = false;
  ASSERT_TRUE(image.Open(path, devsim::kImageSize, created));
  ASSERT_TRUE(created);
  devsim::PrepareNewImage(image);
  const auto dives = devsim::SampleDives();

  auto entries = sim::ParseDirectory(ReadRange(image, sim::kDirectoryAddr, sim::kDirectorySize));
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), dives.size());
  bool spans_blocks = false;
  for (size_t i = 0; i < dives.size(); ++i) {
    const auto& e = (*entries)[i];
    spans_blocks |= e.profile_length > 4096;
    std::string record =
        ReadRange(image, e.header_addr(), sim::kHeaderSize) + ReadRange(image, e.profile_addr, e.profile_length);
    auto log = sim::ParseDiveRecord(record);
    ASSERT_TRUE(log) << i;
    const auto& d = dives[i];
    EXPECT_EQ((*log)["dive_datetime"].asInt64(), d.start_utc);
    EXPECT_EQ((*log)["timezone"].asInt(), -480);
    EXPECT_EQ((*log)["dive_type"].asString(), d.mode == 0 ? "scuba" : d.mode == 1 ? "gauge" : "free");
    EXPECT_DOUBLE_EQ(std::stod((*log)["max_depth"].asString()), d.max_depth_cm / 100.0);
    ASSERT_EQ((*log)["dive_profiles"].size(), d.samples.size());
    // Pressure at the deepest sample matches the header's max depth in sea water.
    double deepest = 0;
    for (const auto& s : (*log)["dive_profiles"]) deepest = std::max(deepest, std::stod(s["pressure"].asString()));
    EXPECT_NEAR(deepest, 1013 + d.max_depth_cm / 100.0 * 100.0, 0.11);
    // A record cut short is refused, not read past its end.
    EXPECT_FALSE(sim::ParseDiveRecord(record.substr(0, record.size() - 1)));
  }
  EXPECT_TRUE(spans_blocks);  // the relay has to split at least one profile
  unlink(path);

  std::string erased(4096, '\xff');
  EXPECT_FALSE(sim::ParseDirectory(erased));
}

}  // namespace
}  // namespace orv
