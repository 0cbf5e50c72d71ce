// What the simulated service offers as updates, shared with the tests that
// check what a dive computer ends up holding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orv::sim {

// Offered firmware version ("1.006" once a point is put after the first digit).
inline constexpr const char* kUpdateFirmwareVersion = "1006";
// Device addresses of the first firmware file (the second follows 64 KiB
// later) and of the dive-site database file; far above the dive-site and
// dive-log memory of the simulated device.
inline constexpr uint32_t kUpdateFirmwareAddress = 0xC00000;
inline constexpr uint32_t kUpdateDiveSiteAddress = 0xD00000;

// A firmware image names its version in its first block, as docs/device.md
// describes: these 8 bytes, then the version text, NUL-padded to 6 bytes.
inline constexpr const char kFirmwareVersionMark[] = "ORVFWVER";

// The deterministic contents of the update file `name`, `size` bytes long;
// the image's first file ("data2.bin") begins with the version mark.
std::string UpdateFileBytes(const std::string& name, std::size_t size);

}  // namespace orv::sim
