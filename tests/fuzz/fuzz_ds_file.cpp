// Dive-site files from arbitrary bytes: whatever parses gives lists within
// their limits, and what is written from them reads back the same. The same
// bytes as a device block decode without reading past it.
#include <algorithm>
#include <cstring>

#include "fuzz_check.h"
#include "sites/ds_file.h"
#include "sites/site_block.h"

using namespace orv::sites;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = fuzz::AsText(data, size);
  if (auto lists = ParseDsText(text)) {
    for (int code = 0; code < kTypeCount; ++code) {
      const SiteList& list = (*lists)[static_cast<size_t>(code)];
      FUZZ_CHECK(list.size() <= kMaxSites);
      for (const DiveSite& s : list) {
        FUZZ_CHECK(s.type == code);
        const std::string name = s.Name();
        FUZZ_CHECK(name.size() <= kNameBytes && name.find('\0') == std::string::npos);
        // Nothing after the name's end but zero bytes.
        FUZZ_CHECK(std::all_of(s.name.begin() + static_cast<std::ptrdiff_t>(name.size()), s.name.end(),
                               [](char c) { return c == 0; }));
      }
    }
    const std::string written = FormatDsText(*lists);
    auto again = ParseDsText(written);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == *lists);
    FUZZ_CHECK(FormatDsText(*again) == written);
  }

  SiteBlock block;
  block.fill(0xFF);
  std::memcpy(block.data(), data, std::min(size, block.size()));
  const SiteList list = DecodeSiteBlock(block);
  FUZZ_CHECK(list.size() <= kMaxSites);
  SiteBlock back = EncodeSiteBlock(list);
  FUZZ_CHECK(DecodeSiteBlock(back) == list);

  // The text as a typed coordinate.
  const std::string_view head = text.substr(0, 64);
  const int32_t micro = ParseMicroDegrees(head);
  FUZZ_CHECK(ParseMicroDegrees(FormatMicroDegrees(micro)) == micro);
  return 0;
}
