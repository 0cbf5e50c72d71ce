// The dive computer's dive-site storage: three 4096-byte blocks, one per
// list, of 64 slots of 64 bytes; a slot whose type byte is 0xFF is empty.
#pragma once

#include <array>
#include <cstdint>

#include "sites/dive_site.h"

namespace orv::sites {

inline constexpr uint32_t kSiteBlockAddress[kTypeCount] = {0x109000, 0x10A000, 0x10B000};
inline constexpr size_t kSiteBlockBytes = kMaxSites * kSlotBytes;
using SiteBlock = std::array<uint8_t, kSiteBlockBytes>;

// The block of a list: its sites in slots 0.., 0xFF in every later byte.
// Sites past the 64th are not written.
SiteBlock EncodeSiteBlock(const SiteList& list);
// The sites of a block in slot order, skipping empty slots anywhere; type
// bytes stay as read.
SiteList DecodeSiteBlock(const SiteBlock& block);

}  // namespace orv::sites
