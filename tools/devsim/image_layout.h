// What lives where in the simulated dive computer's memory.
//
// The program itself knows only the dive-site blocks; everything else in the
// memory is read at addresses the service names. A new image is erased flash
// (0xFF everywhere); PrepareNewImage is where further regions (the dive-log
// memory) get their initial contents.
#pragma once

#include <cstddef>
#include <cstdint>

#include "memory_image.h"

namespace orv::devsim {

inline constexpr size_t kImageSize = 16u << 20;  // 16 MiB

// Dive-site storage: one 4096-byte block per dive type, 64 slots of 64 bytes.
inline constexpr uint32_t kScubaSitesBlock = 0x109000;
inline constexpr uint32_t kFreediveSitesBlock = 0x10A000;
inline constexpr uint32_t kGaugeSitesBlock = 0x10B000;

// Called once when the image file has just been created (all 0xFF).
void PrepareNewImage(MemoryImage& image);

}  // namespace orv::devsim
