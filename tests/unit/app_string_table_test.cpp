// Language table lookups and the UTF-8 to UTF-16 conversion of its texts.
#include <gtest/gtest.h>

#include <string>

#include "app/string_table.h"

namespace {

using orv::StringTable;
using orv::Utf16ToUtf8;
using orv::Utf8ToUtf16;

// A literal with its embedded zero bytes.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

class LanguageGuard : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = orv::LanguageCode; }
  void TearDown() override { orv::LanguageCode = saved_; }
  std::string saved_;
};

TEST(Utf8ToUtf16, DecodesOneToThreeByteSequences) {
  EXPECT_EQ(Utf8ToUtf16("A\xC3\xA9\xE6\xBD\x9B!"), u"A\u00E9\u6F5B!");
  EXPECT_EQ(Utf8ToUtf16(""), u"");
}

TEST(Utf8ToUtf16, ByteOrderMarkDroppedOnlyAtTheStart) {
  EXPECT_EQ(Utf8ToUtf16("\xEF\xBB\xBFhello"), u"hello");
  EXPECT_EQ(Utf8ToUtf16("\xEF\xBB\xBF"), u"");
  EXPECT_EQ(Utf8ToUtf16("a\xEF\xBB\xBF"), u"a\uFEFF");
  // Only one mark is dropped; a second one is text.
  EXPECT_EQ(Utf8ToUtf16("\xEF\xBB\xBF\xEF\xBB\xBFx"), u"\uFEFFx");
}

TEST(Utf8ToUtf16, MalformedLeadBytesBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToUtf16("a\x80"
                        "b\xBF"
                        "c"),
            u"a?b?c");
  EXPECT_EQ(Utf8ToUtf16("\xF8\xFC\xFE\xFF"
                        "z"),
            u"????z");
}

TEST(Utf8ToUtf16, CutOffSequenceGivesOneQuestionMarkAndEnds) {
  EXPECT_EQ(Utf8ToUtf16("ab\xC3"), u"ab?");
  EXPECT_EQ(Utf8ToUtf16("ab\xE6\xBD"), u"ab?");
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x90"), u"?");
}

// Each malformed sequence is one '?' and whatever byte broke it is read
// again, so no letter is swallowed and no byte hides behind an overlong form.
TEST(Utf8ToUtf16, EachMalformedSequenceIsOneQuestionMark) {
  const struct {
    const char* in;
    std::u16string out;
  } cases[] = {
      {"\xC0\xBC\xC0\xBE", u"??"},    // overlong '<' '>'
      {"\xE0\x80\xAFx", u"?x"},       // overlong '/' in three bytes
      {"\xF0\x80\x80\xAF", u"?"},     // and in four
      {"\xE0\x41\x41\x42", u"?AAB"},  // missing continuation: letters kept
      {"\xC3\x41z", u"?Az"},
      {"\xE6\xC3\xA9", u"?\u00E9"},        // a new lead byte starts over
      {"\xEF\xFB\xFFModel", u"???Model"},  // never a byte-order mark
      {"\x80\x80x", u"??x"},               // stray continuation bytes
      {"\xED\xA0\x80x", u"?x"},            // surrogate halves
      {"\xED\xBF\xBF", u"?"},
      {"\xF4\x90\x80\x80!", u"?!"},  // above U+10FFFF
      {"\xE6\xBD"
       "a",
       u"?a"},                                                // cut off inside the text
      {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF", u"\uFFFF\U0010FFFF"},  // the largest valid ones
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.in), c.out) << c.in;
}

TEST(Utf8ToUtf16, FourByteSequencesBecomeSurrogatePairs) {
  const std::u16string fish = Utf8ToUtf16("\xF0\x9F\x90\xA0.");
  ASSERT_EQ(fish.size(), 3u);
  EXPECT_EQ(fish[0], 0xD83D);
  EXPECT_EQ(fish[1], 0xDC20);
  EXPECT_EQ(Utf8ToUtf16("\xF4\x8F\xBF\xBF"), u"\U0010FFFF");
  // Beyond U+10FFFF no surrogate pair exists.
  EXPECT_EQ(Utf8ToUtf16("\xF7\xBF\xBF\xBFx"), u"?x");
}

TEST(Utf8ToUtf16, ZeroByteEndsTheText) {
  EXPECT_EQ(Utf8ToUtf16(Bytes("ab\0cd")), u"ab");
  EXPECT_EQ(Utf8ToUtf16(Bytes("\0abc")), u"");
  // Inside a sequence the zero ends the text too, cutting the sequence off.
  EXPECT_EQ(Utf8ToUtf16(Bytes("x\xE6\0\x9B")), u"x?");
}

TEST(Utf16ToUtf8, EncodesAllPlanesAndReplacesLoneSurrogates) {
  const std::string mixed = "A\xC3\xA9\xE6\xBD\x9B\xF0\x9F\x90\xA0";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(mixed)), mixed);
  EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', char16_t(0xD800), u'b'}), "a?b");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{char16_t(0xDC00), char16_t(0xD83D)}), "??");
}

TEST_F(LanguageGuard, LooksUpTheCurrentLanguage) {
  StringTable table;
  ASSERT_TRUE(table.Load(R"(// greeting texts
    { "HELLO": { "ENG": "Hello", /* inline */ "CHT": "\u4F60\u597D" },
      "ONLY_ENG": { "ENG": "English only" } })"));
  orv::LanguageCode = "ENG";
  EXPECT_EQ(table.Text("HELLO"), u"Hello");
  EXPECT_EQ(table.Utf8("ONLY_ENG"), "English only");
  orv::LanguageCode = "CHT";
  EXPECT_EQ(table.Text("HELLO"), u"\u4F60\u597D");
  EXPECT_EQ(table.Utf8("HELLO"), "\xE4\xBD\xA0\xE5\xA5\xBD");
  EXPECT_EQ(table.Text("ONLY_ENG"), u"");
  EXPECT_EQ(table.Text("MISSING"), u"");
  orv::LanguageCode = "FRA";
  EXPECT_EQ(table.Text("HELLO"), u"");
}

TEST_F(LanguageGuard, EntriesOfTheWrongShapeGiveEmptyText) {
  StringTable table;
  ASSERT_TRUE(table.Load(R"({ "NUM": { "ENG": 5 }, "FLAT": "text", "LIST": ["ENG"],
                              "NUL": { "ENG": null } })"));
  orv::LanguageCode = "ENG";
  for (const char* key : {"NUM", "FLAT", "LIST", "NUL"}) EXPECT_EQ(table.Text(key), u"") << key;
  // A table that is not an object at all.
  ASSERT_TRUE(table.Load(R"(["HELLO"])"));
  EXPECT_EQ(table.Text("HELLO"), u"");
}

TEST_F(LanguageGuard, TextsAreConvertedByTheTableRules) {
  StringTable table;
  ASSERT_TRUE(
      table.Load("{ \"BOM\": { \"ENG\": \"\xEF\xBB\xBFmarked\" },"
                 "  \"NUL\": { \"ENG\": \"before\\u0000after\" } }"));
  orv::LanguageCode = "ENG";
  EXPECT_EQ(table.Text("BOM"), u"marked");
  EXPECT_EQ(table.Utf8("NUL"), "before");
}

TEST_F(LanguageGuard, ReadsOnlyUpToTheFirstZeroByte) {
  StringTable table;
  const std::string file = std::string("{ \"K\": { \"ENG\": \"v\" } }") + '\0' + "not json {";
  ASSERT_TRUE(table.Load(file));
  orv::LanguageCode = "ENG";
  EXPECT_EQ(table.Text("K"), u"v");
  // A zero byte inside the JSON cuts it short, and the table stays empty.
  EXPECT_FALSE(table.Load(Bytes("{ \"K\": {\0 \"ENG\": \"v\" } }")));
  EXPECT_EQ(table.Text("K"), u"");
}

TEST_F(LanguageGuard, MalformedOrMissingTableLeavesEveryLookupEmpty) {
  orv::LanguageCode = "ENG";
  StringTable table;
  ASSERT_TRUE(table.Load(R"({ "K": { "ENG": "v" } })"));
  // A failed reload forgets the earlier table rather than mixing versions.
  EXPECT_FALSE(table.Load(R"({ "K": { "ENG": "v" } )"));
  EXPECT_EQ(table.Text("K"), u"");
  EXPECT_FALSE(table.Load("\xFF\xFE garbage"));
  EXPECT_EQ(table.Text("K"), u"");
  EXPECT_FALSE(table.LoadFile("/nonexistent/folder/string.json"));
  EXPECT_EQ(table.Text("K"), u"");
  // Nesting far beyond any real table must fail cleanly, not crash.
  EXPECT_FALSE(table.Load(std::string(100000, '[')));
  EXPECT_EQ(table.Text("K"), u"");
}

}  // namespace
