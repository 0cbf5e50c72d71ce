// The 64-byte site record, name cutting and the coordinate conversions.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <random>

#include "sites/dive_site.h"
#include "sites/site_block.h"

namespace orv::sites {
namespace {

TEST(SiteRecord, SlotLayoutIsLittleEndianWithTheNameAtOffsetOne) {
  DiveSite s;
  s.type = 2;
  s.SetName("Blue Hole");
  s.latitude = -33856789;  // 0xFDFB62EB
  s.longitude = 0x01020304;
  uint8_t slot[kSlotBytes];
  EncodeSlot(s, slot);
  EXPECT_EQ(slot[0], 2);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(slot + 1), 9), "Blue Hole");
  EXPECT_EQ(slot[10], 0);
  EXPECT_EQ(slot[55], 0);
  const int32_t lat = -33856789;
  for (int i = 0; i < 4; ++i) EXPECT_EQ(slot[56 + i], static_cast<uint8_t>(static_cast<uint32_t>(lat) >> (8 * i)));
  EXPECT_EQ(slot[60], 0x04);
  EXPECT_EQ(slot[63], 0x01);
  EXPECT_EQ(DecodeSlot(slot), s);
}

TEST(SiteRecord, NamesAreCutToTheFieldOnACharacterBoundary) {
  DiveSite s;
  const std::string full(55, 'x');
  s.SetName(full + "tail");
  EXPECT_EQ(s.Name(), full);  // a full field has no terminating zero

  // 54 ASCII bytes and a two-byte character: the character does not fit
  // whole, so it is left out rather than split.
  s.SetName(std::string(54, 'a') + "\xC3\xA9");
  EXPECT_EQ(s.Name(), std::string(54, 'a'));
  // 18 three-byte characters fill 54 bytes; the 19th does not fit.
  std::string cjk;
  for (int i = 0; i < 19; ++i) cjk += "\xE6\xBD\x9B";
  s.SetName(cjk);
  EXPECT_EQ(s.Name(), cjk.substr(0, 54));
  EXPECT_EQ(s.name[54], 0);
  // A four-byte character straddling the end.
  s.SetName(std::string(53, 'b') + "\xF0\x9F\x90\xA0");
  EXPECT_EQ(s.Name(), std::string(53, 'b'));

  // A shorter name clears what a longer one left behind.
  s.SetName(full);
  s.SetName("ab");
  EXPECT_EQ(s.Name(), "ab");
  for (size_t i = 2; i < kNameBytes; ++i) EXPECT_EQ(s.name[i], 0) << i;
  // A zero byte ends the name.
  s.SetName(std::string("ab\0cd", 5));
  EXPECT_EQ(s.Name(), "ab");
}

TEST(SiteRecord, InvalidUtf8IsCutWithoutRunningAway) {
  // Nothing but continuation bytes: no character start to back off to.
  EXPECT_EQ(CutUtf8(std::string(70, '\x80'), 55).size(), 55u);
  EXPECT_EQ(CutUtf8("abc", 55), "abc");
}

TEST(Coordinates, DecimalTextIsTruncatedTowardZeroFromItsDigits) {
  struct Case {
    const char* text;
    int32_t micro;
  };
  const Case cases[] = {
      {"25.0330007", 25033000},
      {"-8.4095178", -8409517},
      {"64.863008", 64863008},
      {"-33.8567891", -33856789},
      {"0.0000009", 0},
      {"-0.0000009", 0},
      {"  12.5xyz", 12500000},
      {"+1", 1000000},
      {".5", 500000},
      {"5.", 5000000},
      {"1e2", 100000000},
      {"1e", 1000000},
      {"1.5E-3", 1500},
      {"-2147.483648", INT32_MIN},
      {"2147.483647", INT32_MAX},
      {"99999", INT32_MAX},
      {"-1e300", INT32_MIN},
      {"1e-300", 0},
      {"1e999999999999", INT32_MAX},
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {".", 0},
      {"nan", 0},
      {"inf", 0},
      {"0x10", 0},
      {"000000000000000000012.000001", 12000001},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseMicroDegrees(c.text), c.micro) << c.text;
  EXPECT_DOUBLE_EQ(ParseDegrees(" -8.5abc"), -8.5);
  EXPECT_EQ(ParseDegrees("x"), 0);
  EXPECT_EQ(ParseDegrees("1e999"), std::numeric_limits<double>::max());
}

TEST(Coordinates, DoublesKeepTheMillionthTheyWereTypedWith) {
  EXPECT_EQ(DegreesToMicro(-33.8567891), -33856789);
  EXPECT_EQ(DegreesToMicro(64.863008), 64863008);
  EXPECT_EQ(DegreesToMicro(25.0330007), 25033000);
  EXPECT_EQ(DegreesToMicro(1e-7), 0);
  EXPECT_EQ(DegreesToMicro(std::nan("")), 0);
  EXPECT_EQ(DegreesToMicro(1e12), INT32_MAX);
  EXPECT_EQ(DegreesToMicro(-INFINITY), INT32_MIN);
  // Every stored value survives the trip through its shown text and back.
  std::mt19937 rng(7);
  std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
  for (int i = 0; i < 20000; ++i) {
    const int32_t v = any(rng);
    ASSERT_EQ(ParseMicroDegrees(FormatMicroDegrees(v)), v);
    ASSERT_EQ(DegreesToMicro(MicroToDegrees(v)), v);
  }
}

TEST(Coordinates, FormattingMatchesSixDecimalPrintf) {
  EXPECT_EQ(FormatMicroDegrees(25033000), "25.033000");
  EXPECT_EQ(FormatMicroDegrees(-1), "-0.000001");
  EXPECT_EQ(FormatMicroDegrees(INT32_MIN), "-2147.483648");
  std::mt19937 rng(11);
  std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
  for (int i = 0; i < 20000; ++i) {
    const int32_t v = i < 3 ? (i - 1) : any(rng);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6f", v / 1000000.0);
    ASSERT_EQ(FormatMicroDegrees(v), buf) << v;
  }
  EXPECT_EQ(FormatDegrees(-33.8567891), "-33.856789");
}

TEST(SiteBlock, ListsFillSlotsInOrderAndEmptySlotsAreSkippedAnywhere) {
  SiteList list(3);
  for (size_t i = 0; i < list.size(); ++i) {
    list[i].type = 1;
    list[i].SetName("site " + std::to_string(i));
    list[i].latitude = static_cast<int32_t>(i);
  }
  SiteBlock block = EncodeSiteBlock(list);
  for (size_t b = 3 * kSlotBytes; b < block.size(); ++b) ASSERT_EQ(block[b], 0xFF) << b;
  EXPECT_EQ(DecodeSiteBlock(block), list);

  // Slot 1 erased, slot 5 used: slot order without gaps. A type byte that is
  // not this block's is kept as read; only 0xFF marks an empty slot.
  block[kSlotBytes] = 0xFF;
  DiveSite odd;
  odd.type = 0x37;
  odd.name.fill('\xFF');
  EncodeSlot(odd, block.data() + 5 * kSlotBytes);
  SiteList got = DecodeSiteBlock(block);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0], list[0]);
  EXPECT_EQ(got[1], list[2]);
  EXPECT_EQ(got[2].type, 0x37);
  EXPECT_EQ(got[2].Name().size(), kNameBytes);

  SiteList full(70);
  block = EncodeSiteBlock(full);
  EXPECT_EQ(DecodeSiteBlock(block).size(), kMaxSites);
}

}  // namespace
}  // namespace orv::sites
