#include "sites/site_block.h"

namespace orv::sites {

SiteBlock EncodeSiteBlock(const SiteList& list) {
  SiteBlock block;
  block.fill(0xFF);
  for (size_t i = 0; i < list.size() && i < kMaxSites; ++i) EncodeSlot(list[i], block.data() + i * kSlotBytes);
  return block;
}

SiteList DecodeSiteBlock(const SiteBlock& block) {
  SiteList list;
  for (size_t i = 0; i < kMaxSites; ++i) {
    const uint8_t* slot = block.data() + i * kSlotBytes;
    if (slot[0] != kEmptySlot) list.push_back(DecodeSlot(slot));
  }
  return list;
}

}  // namespace orv::sites
