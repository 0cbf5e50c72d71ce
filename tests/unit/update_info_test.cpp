// Reading the update information and forming what the update shows.
#include <gtest/gtest.h>

#include <string>

#include "transfer/update_info.h"

namespace orv::transfer {
namespace {

// A firmware information body padded by its release note to `bytes` bytes.
std::string FirmwareBody(std::size_t bytes, const std::string& version = "\"1005\"") {
  std::string head =
      R"({"code":"0000000","response":{"firmware_version":)" + version +
      R"(,"firmware_files":[{"sequence":2,"file_path":"https://h/a","address":4096,"size":10000}],"release_note":")";
  std::string tail = "\"}}";
  EXPECT_GT(bytes, head.size() + tail.size());
  return head + std::string(bytes - head.size() - tail.size(), 'n') + tail;
}

TEST(UpdateInfo, FirmwareNeedsMoreThan256BytesAVersionAndAFileList) {
  EXPECT_FALSE(ParseFirmwareInfo(FirmwareBody(256)));
  auto info = ParseFirmwareInfo(FirmwareBody(257));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->offered_version, "1.005");
  EXPECT_FALSE(info->release_note.empty());
  EXPECT_EQ(info->release_note.find_first_not_of('n'), std::string::npos);
  ASSERT_EQ(info->files.size(), 1u);
  EXPECT_EQ(info->files[0].sequence, 2);
  EXPECT_EQ(info->files[0].file_path, "https://h/a");
  EXPECT_EQ(info->files[0].address, 4096u);
  EXPECT_EQ(info->files[0].size, 10000u);

  // A numeric version is read too; an empty one offers nothing.
  EXPECT_EQ(ParseFirmwareInfo(FirmwareBody(400, "1006"))->offered_version, "1.006");
  EXPECT_FALSE(ParseFirmwareInfo(FirmwareBody(400, "\"\"")));
  // An HTML error page of any length is no information.
  EXPECT_FALSE(ParseFirmwareInfo("<html>" + std::string(400, 'x') + "</html>"));
  std::string no_list = FirmwareBody(400);
  no_list.replace(no_list.find("firmware_files"), 14, "firmware_filez");
  EXPECT_FALSE(ParseFirmwareInfo(no_list));
}

TEST(UpdateInfo, FileListsKeepTheirOrderAndRejectEntriesThatCannotBeWritten) {
  const std::string two = R"({"response":{"divesite_files":[{"sequence":2,"file_path":"u2","address":8192,"size":1},)"
                          R"({"sequence":1,"file_path":"u1","address":4294963200,"size":4096}]}})";
  auto files = ParseUpdateFiles(two, "divesite_files");
  ASSERT_TRUE(files);
  ASSERT_EQ(files->size(), 2u);
  EXPECT_EQ((*files)[0].sequence, 2);
  EXPECT_EQ((*files)[1].file_path, "u1");
  EXPECT_EQ((*files)[1].address, 4294963200u);
  EXPECT_FALSE(ParseUpdateFiles(two, "firmware_files"));

  // An empty list is a valid offer of nothing; missing numbers read as 0.
  EXPECT_EQ(ParseUpdateFiles(R"({"response":{"divesite_files":[]}})", "divesite_files")->size(), 0u);
  auto bare = ParseUpdateFiles(R"({"response":{"divesite_files":[{}]}})", "divesite_files");
  ASSERT_TRUE(bare);
  EXPECT_EQ((*bare)[0].size, 0u);

  for (const char* bad : {R"("address":-4096)", R"("address":4294967296)", R"("size":"4096")", R"("size":1.5)"}) {
    std::string text = std::string(R"({"response":{"divesite_files":[{"sequence":1,)") + bad + "}]}}";
    EXPECT_FALSE(ParseUpdateFiles(text, "divesite_files")) << bad;
  }
  EXPECT_FALSE(ParseUpdateFiles(R"({"response":{"divesite_files":[7]}})", "divesite_files"));
  EXPECT_FALSE(ParseUpdateFiles(R"({"response":{"divesite_files":{}}})", "divesite_files"));
  EXPECT_FALSE(ParseUpdateFiles("0123456789", "divesite_files"));
}

TEST(UpdateInfo, VersionAndQuestionTexts) {
  EXPECT_EQ(OfferedVersion("1005"), "1.005");
  EXPECT_EQ(OfferedVersion("7"), "7.");
  EXPECT_EQ(OfferedVersion(""), "");

  EXPECT_EQ(FormatTwoTexts("Firmware %s, new %s. 100%% ok?", "1.004", "1.005"), "Firmware 1.004, new 1.005. 100% ok?");
  // Arguments are text: a "%s" inside them is not filled again, and a third
  // "%s" in the format has nothing to take.
  EXPECT_EQ(FormatTwoTexts("%s|%s|%s", "%s", "b"), "%s|b|%s");
  EXPECT_EQ(FormatTwoTexts("韌體 %s → %s", "1.0", "2.0"), "韌體 1.0 → 2.0");

  // Cut at 4096 characters, never inside a character.
  std::string wide;
  for (int i = 0; i < 5000; ++i) wide += "潛";
  std::string cut = FormatTwoTexts("%s", wide, "");
  EXPECT_EQ(cut.size(), 4096u * 3);
  EXPECT_EQ(FormatTwoTexts(std::string(5000, 'a'), "", "").size(), 4096u);
}

TEST(UpdateInfo, LocalNamesAndProgress) {
  UpdateFile f;
  f.sequence = 2;
  EXPECT_EQ(LocalName(kFirmwareUpdate, f), "data2.bin");
  f.sequence = 11;
  EXPECT_EQ(LocalName(kDiveSiteUpdate, f), "ds11.bin");

  EXPECT_EQ(ProgressDetail(1, 2, 4096, 18192), "1/2 4096/18192");
  EXPECT_EQ(ProgressPercent(4096, 18192), 22);
  EXPECT_EQ(ProgressPercent(18192, 18192), 100);
  EXPECT_EQ(ProgressPercent(0, 0), 0);
  // Large files do not overflow the percentage.
  EXPECT_EQ(ProgressPercent(3'000'000'000ull, 4'000'000'000ull), 75);
}

}  // namespace
}  // namespace orv::transfer
