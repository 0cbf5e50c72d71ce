// Every way an update can fail ends with its key, in bounded time, with the
// end command once the device has identified and nothing left open.
#include "cloud/service_config.h"
#include "update_support.h"

namespace orv::test {
namespace {

using sim::kUpdateFirmwareAddress;

class UpdateFaults : public UpdateTest {
 protected:
  // The run's result and what it showed in the worker's status line.
  void ExpectWorkerEnded(const MessageKey& got, const char* key) {
    EXPECT_EQ(got, key);
    ASSERT_FALSE(progress_.statuses.empty());
    EXPECT_EQ(progress_.statuses.back(), Tr(key));
    EXPECT_EQ(progress_.ends, 1);
    EXPECT_TRUE(EndSent());
    EXPECT_EQ(LogCount("rx 9999"), 0u);
  }
};

TEST_F(UpdateFaults, MissingOrUnusableInformationLeavesTheDeviceAlone) {
  StartSim();
  // An empty body, an HTML error page, an error envelope.
  for (const char* mode : {"empty", "html500", "badcode"}) {
    ASSERT_TRUE(server_->SetFault("firmware_update", mode));
    ASSERT_TRUE(server_->SetFault("divesite_update", mode));
    EXPECT_EQ(func_->UpdateFirmware(), "NO_UPDATE_INFO") << mode;
    EXPECT_EQ(func_->UpdateDiveSites(), "NO_UPDATE_INFO") << mode;
  }
  EXPECT_EQ(dialogs_.messages.size(), 6u);
  for (const auto& m : dialogs_.messages) EXPECT_EQ(m, Tr("NO_UPDATE_INFO"));
  EXPECT_TRUE(dialogs_.questions.empty());
  EXPECT_TRUE(ReadLines(log()).empty());
}

TEST_F(UpdateFaults, AnUnreachableServiceDoesNotReplayAnEarlierOffer) {
  StartSim();
  dialogs_.yes_answer = false;
  ASSERT_EQ(func_->UpdateFirmware(), "");  // leaves features.json behind
  ASSERT_TRUE(std::filesystem::exists(DataFolder() + "features.json"));
  ServiceConfig saved = Service();
  Service().port = 1;  // nothing listens there
  MessageKey got = func_->UpdateFirmware();
  Service() = saved;
  EXPECT_EQ(got, "NO_UPDATE_INFO");
  EXPECT_EQ(dialogs_.questions.size(), 1u);
}

TEST_F(UpdateFaults, NoDeviceAndAnUnsupportedDevice) {
  device::SetDevicePathOverride(dir_.File("no-such-tty"));
  EXPECT_EQ(func_->UpdateFirmware(), "USB_NOT_CONN");
  EXPECT_EQ(func_->UpdateDiveSites(), "USB_NOT_CONN");
  EXPECT_EQ(dialogs_.messages, Texts({"USB_NOT_CONN", "USB_NOT_CONN"}));

  // The identify reply comes back as an echo: no further command at all.
  StartSim({"--fault", "wrong-command=1"});
  dialogs_.messages.clear();
  EXPECT_EQ(func_->UpdateFirmware(), "NOT_SUPPOR_DEVICE");
  EXPECT_EQ(dialogs_.messages, Texts({"NOT_SUPPOR_DEVICE"}));
  EXPECT_TRUE(dialogs_.questions.empty());
  EXPECT_TRUE(WaitForLog("closed"));  // all the run sent is in the log
  EXPECT_EQ(LogCount("rx 9997"), 0u);
}

TEST_F(UpdateFaults, AFileThatCannotBeFetchedStopsBeforeAnyBlock) {
  StartSim();
  // Unreachable; the file's bytes under an error status; the connection
  // closed before the announced length. The failed file is not kept.
  for (const char* mode : {"unreachable", "status500", "cut"}) {
    SCOPED_TRACE(mode);
    ASSERT_TRUE(SetFileMode(mode));
    progress_.Reset();
    ExpectWorkerEnded(func_->UpdateFirmware(), "UNABLE_GET_FILE");
    EXPECT_EQ(LogCount("write "), 0u);
    EXPECT_FALSE(std::filesystem::exists(DataFolder() + "data1.bin"));
  }
}

TEST_F(UpdateFaults, AFileOfTheWrongLengthStopsBeforeAnyBlock) {
  StartSim();
  // The second firmware file is short: the first, fine, is not written
  // either, so the device never holds half an update.
  ASSERT_TRUE(SetFileMode("short"));
  ExpectWorkerEnded(func_->UpdateFirmware(), "FILE_ERROR");
  EXPECT_EQ(LogCount("write "), 0u);
  EXPECT_TRUE(std::filesystem::exists(DataFolder() + "data2.bin"));
  // An error page (with its error status) in place of the file is a failed
  // download, whatever its length.
  ASSERT_TRUE(SetFileMode("normal"));
  ASSERT_TRUE(server_->SetFault("update_file", "html500"));
  progress_.Reset();
  ExpectWorkerEnded(func_->UpdateDiveSites(), "UNABLE_GET_FILE");
  EXPECT_EQ(LogCount("write "), 0u);
}

TEST_F(UpdateFaults, ARefusedBlockStopsTheWriteAtOnce) {
  StartSim({"--fault", "write-refused"});
  ExpectWorkerEnded(func_->UpdateFirmware(), "USB_ERROR");
  EXPECT_EQ(LogCount("write "), 1u);
  EXPECT_EQ(LogCount(Written(kUpdateFirmwareAddress, " refused")), 1u);
}

TEST_F(UpdateFaults, AFailedReadOfTheTailBlockStopsBeforeItIsWritten) {
  // The first file's two whole blocks go out; its tail's block cannot be
  // read back, so nothing is written over it.
  StartSim({"--fault", "bad-checksum"});
  ExpectWorkerEnded(func_->UpdateFirmware(), "USB_ERROR");
  EXPECT_EQ(LogCount("write "), 2u);
  EXPECT_EQ(LogCount(Written(kUpdateFirmwareAddress + 8192)), 0u);
}

TEST_F(UpdateFaults, ADeviceThatFallsSilentOrHangsUpMidWriteEndsInTime) {
  for (const char* fault : {"silence=200", "hangup=2"}) {
    SCOPED_TRACE(fault);
    StartSim({"--fault", fault});
    progress_.Reset();
    auto t = std::chrono::steady_clock::now();
    MessageKey got = func_->UpdateDiveSites();
    EXPECT_EQ(got, "USB_ERROR");
    EXPECT_LT(SecondsSince(t), 5.0);
    EXPECT_EQ(progress_.statuses.back(), Tr("USB_ERROR"));
    EXPECT_EQ(progress_.ends, 1);
    sim_.reset();
    std::filesystem::remove(log());
  }
}

// Nothing the service sends grows past its bound, on disk or in memory: an
// information reply past 1 MiB, never ending, or nested past the parser's
// limit is no offer; a file past its listed size is no file. Each ends with
// its step's key in bounded time, with nothing written and nothing left.
TEST_F(UpdateFaults, RepliesPastTheirBoundEndWithTheirKeyAndLeaveNothing) {
  StartSim();
  struct Case {
    const char* mode;
    bool firmware;
    const char* key;
  };
  const Case cases[] = {
      {"info_endless", true, "NO_UPDATE_INFO"}, {"info_endless", false, "NO_UPDATE_INFO"},
      {"info_huge", true, "NO_UPDATE_INFO"},    {"info_nested", true, "NO_UPDATE_INFO"},
      {"info_nested", false, "NO_UPDATE_INFO"}, {"oversize", true, "UNABLE_GET_FILE"},
      {"endless", true, "UNABLE_GET_FILE"},     {"endless", false, "UNABLE_GET_FILE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + (c.firmware ? " firmware" : " dive sites"));
    ASSERT_TRUE(SetFileMode("normal"));
    ASSERT_TRUE(SetFileMode(c.mode));
    progress_.Reset();
    const auto t = std::chrono::steady_clock::now();
    EXPECT_EQ(c.firmware ? func_->UpdateFirmware() : func_->UpdateDiveSites(), c.key);
    EXPECT_LT(SecondsSince(t), 10.0);
    EXPECT_EQ(LogCount("write "), 0u);
    EXPECT_FALSE(std::filesystem::exists(DataFolder() + (c.firmware ? "data1.bin" : "ds1.bin")));
    for (const auto& entry : std::filesystem::directory_iterator(DataFolder())) {
      const std::string name = entry.path().filename().string();
      EXPECT_TRUE(name == "features.json" || name == "divesite.json" || name == "data2.bin") << name;
      EXPECT_LE(entry.file_size(), transfer::kMaxUpdateInfoBytes) << name;
    }
  }
}

}  // namespace
}  // namespace orv::test
