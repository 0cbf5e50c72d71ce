// Both updates run to the end, and the diver's refusal.
#include "update_support.h"

namespace orv::test {
namespace {

using sim::kUpdateDiveSiteAddress;
using sim::kUpdateFirmwareAddress;
using sim::UpdateFileBytes;

class UpdateFlow : public UpdateTest {};

TEST_F(UpdateFlow, FirmwareIsWrittenInListOrderWithEveryByteThenFinished) {
  StartSim({"--firmware", "1.004"});
  // Something the device holds right after the first file's end, in the
  // block its tail shares (the image is mapped shared, so the simulator
  // sees it at once).
  const Block after = Pattern(0x5A);
  const std::size_t kept = 12288 - 10000;
  {
    int fd = ::open(image().c_str(), O_WRONLY);
    ASSERT_EQ(::pwrite(fd, after.data(), kept, kUpdateFirmwareAddress + 10000), static_cast<ssize_t>(kept));
    ::close(fd);
  }
  ASSERT_TRUE(window_.Click("update_fw"));

  ASSERT_EQ(dialogs_.questions.size(), 1u);
  EXPECT_EQ(dialogs_.questions[0], transfer::FormatTwoTexts(Tr("FIRMWARE_INFO"), "1.004", "1.006"));
  EXPECT_EQ(dialogs_.messages,
            (std::vector<std::string>{transfer::FormatTwoTexts(Tr("FIRMWARE_UPDATED"), "1.006", "")}));
  EXPECT_EQ(func_->offered_version(), "1.006");
  EXPECT_FALSE(func_->release_note().empty());
  EXPECT_TRUE(EndSent());

  // data2.bin (10000 bytes) first at the base, then data1.bin (8192 bytes):
  // the last 1808 bytes of the first file are merged into the block read
  // back from the device, so what followed the file is still there.
  const std::string first = UpdateFileBytes("data2.bin", 10000);
  const std::string second = UpdateFileBytes("data1.bin", 8192);
  EXPECT_EQ(ImageBytes(kUpdateFirmwareAddress, 10000), first);
  EXPECT_EQ(ImageBytes(kUpdateFirmwareAddress + 10000, kept), std::string(after.begin(), after.begin() + kept));
  EXPECT_EQ(LogCount("rx 0001"), 1u);
  EXPECT_EQ(ImageBytes(kUpdateFirmwareAddress + 0x10000, 8192), second);
  auto log = ReadLines(this->log());
  std::vector<std::string> writes;
  for (const auto& line : log)
    if (line.rfind("write ", 0) == 0) writes.push_back(line);
  EXPECT_EQ(writes,
            (std::vector<std::string>{Written(kUpdateFirmwareAddress), Written(kUpdateFirmwareAddress + 4096),
                                      Written(kUpdateFirmwareAddress + 8192), Written(kUpdateFirmwareAddress + 0x10000),
                                      Written(kUpdateFirmwareAddress + 0x11000)}));
  // Finish after the last block, end after that, each once.
  auto at = [&](const std::string& what) { return std::find(log.begin(), log.end(), what) - log.begin(); };
  EXPECT_EQ(LogCount("rx 9999"), 1u);
  EXPECT_EQ(LogCount("rx 9997"), 1u);
  EXPECT_LT(at(writes.back()), at("rx 9999 0"));
  EXPECT_LT(at("rx 9999 0"), at("rx 9997 0"));

  // The local copies are named by sequence.
  auto file = [](const std::string& name) {
    std::ifstream in(DataFolder() + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  EXPECT_EQ(file("data2.bin"), first);
  EXPECT_EQ(file("data1.bin"), second);
  EXPECT_EQ(file("features.json"), func_->firmware_info_text());

  EXPECT_EQ(progress_.statuses.front(), Tr("GET_UPDATE_FILE"));
  EXPECT_NE(std::find(progress_.statuses.begin(), progress_.statuses.end(), Tr("WRITING_UPDATE")),
            progress_.statuses.end());
  EXPECT_EQ(progress_.statuses.back(), Tr("UPDATE_COMPLETE"));
  EXPECT_EQ(progress_.details.back(), "2/2 18192/18192");
  EXPECT_NE(std::find(progress_.details.begin(), progress_.details.end(), "1/2 4096/18192"), progress_.details.end());
  EXPECT_EQ(progress_.values.back(), 100);
  EXPECT_TRUE(std::is_sorted(progress_.values.begin(), progress_.values.end()));
  EXPECT_EQ(progress_.ends, 1);

  // Restarted on its new firmware, the device reports that version.
  dialogs_.yes_answer = false;
  EXPECT_EQ(func_->UpdateFirmware(), "");
  EXPECT_EQ(dialogs_.questions.back(), transfer::FormatTwoTexts(Tr("FIRMWARE_INFO"), "1.006", "1.006"));
}

TEST_F(UpdateFlow, DiveSiteDatabaseIsWrittenWithoutFinish) {
  StartSim();
  ASSERT_TRUE(window_.Click("update_ds"));
  EXPECT_EQ(dialogs_.questions, Texts({"SURE_UPDATE_DS"}));
  EXPECT_EQ(dialogs_.messages, Texts({"DS_UPDATED"}));
  EXPECT_TRUE(EndSent());
  EXPECT_EQ(ImageBytes(kUpdateDiveSiteAddress, 8192), UpdateFileBytes("ds1.bin", 8192));
  EXPECT_EQ(LogCount("write "), 2u);
  EXPECT_EQ(LogCount(Written(kUpdateDiveSiteAddress + 4096)), 1u);
  EXPECT_EQ(LogCount("rx 9999"), 0u);
  EXPECT_EQ(progress_.statuses.back(), Tr("UPDATE_COMPLETE"));
  EXPECT_EQ(progress_.details.back(), "1/1 8192/8192");
  EXPECT_TRUE(std::filesystem::exists(DataFolder() + "ds1.bin"));
  EXPECT_TRUE(std::filesystem::exists(DataFolder() + "divesite.json"));
}

TEST_F(UpdateFlow, RefusalSendsOnlyTheEndCommand) {
  StartSim({"--firmware", "1.006"});
  dialogs_.yes_answer = false;
  // The offer is put even when the device already runs that version.
  EXPECT_EQ(func_->UpdateFirmware(), "");
  EXPECT_EQ(dialogs_.questions[0], transfer::FormatTwoTexts(Tr("FIRMWARE_INFO"), "1.006", "1.006"));
  EXPECT_EQ(func_->UpdateDiveSites(), "");
  EXPECT_TRUE(EndSent());
  EXPECT_TRUE(WaitForLog("rx 9997", 2));
  EXPECT_EQ(LogCount("rx 0005"), 0u);
  EXPECT_EQ(LogCount("rx 9999"), 0u);
  EXPECT_TRUE(progress_.statuses.empty());
  EXPECT_FALSE(std::filesystem::exists(DataFolder() + "data1.bin"));
}

}  // namespace
}  // namespace orv::test
