// The string.json shipped beside the programs: every message key the
// program looks up, in both languages, in Traditional Chinese.
#include <gtest/gtest.h>
#include <json/reader.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/message_keys.h"
#include "app/string_table.h"

namespace {

// The keys the program looks up, straight from its own table, so a key added
// to the program is checked here without anyone listing it again.
std::vector<std::string> ProgramKeys() {
  std::vector<std::string> keys;
  for (const auto& [msg, key] : orv::AllMessageKeys()) keys.push_back(key);
  return keys;
}
const std::vector<std::string> kMessageKeys = ProgramKeys();

// Simplified forms of characters these messages are likely to need; the
// Traditional form is what a Taiwanese or Hong Kong diver expects.
const std::u16string kSimplifiedOnly =
    u"潜网连线请试读资传电脑录帐号韧体档损坏写点将单选删仪阴无强误发与讯败装确码邮输备这们时设数据务载态"
    u"气锁压图钟满库开关闭错检从为个现问题没断\u5185";

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class ShippedTable : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = orv::LanguageCode;
    ASSERT_TRUE(table_.LoadFile(std::string(ORVELLE_BIN_DIR) + "/string.json"));
  }
  void TearDown() override { orv::LanguageCode = saved_; }
  std::string Text(const std::string& lang, const std::string& key) {
    orv::LanguageCode = lang;
    return table_.Utf8(key);
  }
  orv::StringTable table_;
  std::string saved_;
};

TEST(KeyList, EnumAndShippedTableHoldTheSameKeys) {
  // Each key stands once in the program's table and maps back to its enum.
  auto keys = kMessageKeys;
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(std::unique(keys.begin(), keys.end()), keys.end());
  for (const auto& [msg, key] : orv::AllMessageKeys()) {
    EXPECT_EQ(orv::KeyOf(msg), key);
    EXPECT_EQ(orv::MsgOf(key), msg) << key;
  }
  EXPECT_EQ(orv::KeyOf(orv::Msg::None), "");
  // Every key string.json ships is one the program uses: the pages take
  // their texts from pages/po, so a key no code names is a stale text.
  std::ifstream in(std::string(ORVELLE_SOURCE_DIR) + "/string.json");
  Json::Value shipped;
  Json::CharReaderBuilder reader;
  reader["allowComments"] = true;
  std::string errors;
  ASSERT_TRUE(Json::parseFromStream(reader, in, &shipped, &errors)) << errors;
  for (const std::string& key : shipped.getMemberNames())
    EXPECT_NE(orv::MsgOf(key), orv::Msg::None) << key << " is in string.json but no code uses it";
  EXPECT_EQ(shipped.size(), kMessageKeys.size());
}

TEST_F(ShippedTable, EveryKeyHasEnglishAndTraditionalChineseText) {
  for (const auto& key : kMessageKeys) {
    EXPECT_FALSE(Text("ENG", key).empty()) << key;
    const std::u16string cht = (orv::LanguageCode = "CHT", table_.Text(key));
    EXPECT_FALSE(cht.empty()) << key;
    for (char16_t c : cht)
      EXPECT_EQ(kSimplifiedOnly.find(c), std::u16string::npos)
          << key << " uses a Simplified character: " << orv::Utf16ToUtf8(std::u16string(1, c));
  }
}

TEST_F(ShippedTable, FormatPlaceholdersMatchTheCallers) {
  // What each caller fills in, in order; every other text is shown as it
  // is, so a stray '%' there would only confuse a later formatter.
  const std::map<std::string, std::pair<std::string, size_t>> formats = {
      {"FIRMWARE_INFO", {"%s", 2}}, {"FIRMWARE_UPDATED", {"%s", 1}}, {"CLI_PASSWORD_PROMPT", {"%s", 1}},
      {"UPLOAD_ADDED", {"%d", 1}},  {"EXPORT_PROGRESS", {"%d", 3}},  {"EXPORT_SUMMARY", {"%d", 2}},
      {"SYNC_SUMMARY", {"%d", 3}},  {"DIVES_COUNT", {"%s", 1}},
  };
  for (const auto& lang : {"ENG", "CHT"}) {
    for (const auto& key : kMessageKeys) {
      const std::string text = Text(lang, key);
      const auto format = formats.find(key);
      const size_t expected = format == formats.end() ? 0 : format->second.second;
      if (format != formats.end()) EXPECT_EQ(Count(text, format->second.first), expected) << lang << " " << key;
      EXPECT_EQ(Count(text, "%"), expected) << lang << " " << key;
    }
  }
}

TEST(ProcessTable, LoadsFromTheProgramFolderOnFirstUse) {
  const std::string saved = orv::LanguageCode;
  orv::LanguageCode = "ENG";
  const std::string eng = orv::Tr("USB_NOT_CONN");
  orv::LanguageCode = "CHT";
  const std::string cht = orv::Tr("USB_NOT_CONN");
  orv::LanguageCode = saved;
  EXPECT_FALSE(eng.empty());
  EXPECT_FALSE(cht.empty());
  EXPECT_NE(eng, cht);
  EXPECT_EQ(&orv::Strings(), &orv::Strings());
}

}  // namespace
