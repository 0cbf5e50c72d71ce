// The string.json shipped beside the programs: every message key the
// program looks up, in both languages, in Traditional Chinese.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/string_table.h"

namespace {

const std::vector<std::string> kMessageKeys = {
    "HOST_NOT_CONN",
    "HOST_ERROR",
    "DATA_ERROR",
    "NO_INTERNET",
    "LOG_SAVE_FAILED",
    "ENTER_EMAIL",
    "ENTER_PASSWORD",
    "EMAIL_PWD_ERROR",
    "USB_NOT_CONN",
    "NOT_SUPPOR_DEVICE",
    "USB_ERROR",
    "PREPARING_UPLOAD",
    "ANALYZING_UPLOAD",
    "READ_UPLOAD",
    "COMPLETE_UPLOAD",
    "UPLOAING_LOG",
    "READING_LOG",
    "NO_UPDATE_INFO",
    "FIRMWARE_INFO",
    "SURE_UPDATE_DS",
    "GET_UPDATE_FILE",
    "WRITING_UPDATE",
    "FILE_ERROR",
    "UNABLE_GET_FILE",
    "UPDATE_COMPLETE",
    "NO_DIVE_SITE",
    "UNABLE_TO_WRITE",
    "SURE_SEND_DS",
    "DIVE_SITE_WRITED",
    "SURE_READ_DS",
    "DIVE_SITE_READED",
    "DIVE_SITE_MAX",
    "TO_DEL_DIVE_SIZE",
    "LATLNG_RANGE_ERROR",
    "SCUBA",
    "GAUGE",
    "FREEDIVE",
    "SUNNY",
    "CLOUDY",
    "RAIN",
    "SNOW",
    "OVERCAST",
    "WAVE_NO",
    "WAVE_SMALL",
    "WAVE_MEDIUM",
    "WAVE_HIGH",
    "CURRENT_NO",
    "CURRENT_SMALL",
    "CURRENT_MEDIUM",
    "CURRENT_STRONG",
    "VISIBILITY_CLEAR",
    "VISIBILITY_SOSO",
    "VISIBILITY_BAD",
    "BUSY_WORKING",
    "BUSY_SIGNING_IN",
    "BUSY_MONTH",
    "BUSY_DAY",
    "BUSY_TOTALS",
    "BUSY_DIVE",
    "BUSY_SAVING",
    "BUSY_SEARCH",
    "BUSY_UPDATES",
    "USB_IN_USE",
    "FILE_WRITE_ERROR",
    "UPLOAD_ADDED",
    "UPLOAD_NOTHING_NEW",
    "FIRMWARE_UPDATED",
    "DS_UPDATED",
    "SITE_UNNAMED",
    "DIVE_SITE_NOT_FOUND",
    "CLI_PASSWORD_PROMPT",
};

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

TEST(KeyList, HoldsDistinctKeys) {
  auto keys = kMessageKeys;
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(std::unique(keys.begin(), keys.end()), keys.end());
  EXPECT_EQ(keys.size(), 71u);
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
  // The firmware question is formatted with the device's version, then the
  // offered one; the upload's count, the new firmware version and the
  // prompt's e-mail take one value each; every other text is shown as it is,
  // so a stray '%' there
  // would only confuse a later formatter.
  for (const auto& lang : {"ENG", "CHT"}) {
    for (const auto& key : kMessageKeys) {
      const std::string text = Text(lang, key);
      if (key == "FIRMWARE_INFO") {
        EXPECT_EQ(Count(text, "%s"), 2u) << lang;
        EXPECT_EQ(Count(text, "%"), 2u) << lang;
      } else if (key == "UPLOAD_ADDED") {
        EXPECT_EQ(Count(text, "%d"), 1u) << lang;
        EXPECT_EQ(Count(text, "%"), 1u) << lang;
      } else if (key == "FIRMWARE_UPDATED" || key == "CLI_PASSWORD_PROMPT") {
        EXPECT_EQ(Count(text, "%s"), 1u) << lang << " " << key;
        EXPECT_EQ(Count(text, "%"), 1u) << lang << " " << key;
      } else {
        EXPECT_EQ(Count(text, "%"), 0u) << lang << " " << key;
      }
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
