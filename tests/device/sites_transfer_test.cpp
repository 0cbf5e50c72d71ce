// Sending and reading the three dive site lists against the simulator: the
// blocks in its memory image, the confirmations and messages, and faults
// that must end with the right key, the end command as due and the port
// closed.
#include <fcntl.h>
#include <unistd.h>

#include "app/dialogs.h"
#include "app/string_table.h"
#include "device/device_port.h"
#include "device_test_support.h"
#include "sites/site_transfer.h"

namespace orv::test {
namespace {

using namespace orv::sites;

constexpr size_t kImageBytes = 16u << 20;
constexpr auto Site = &DiveSite::Make;

class SiteTransfer : public DevsimTest {
 protected:
  void SetUp() override { SetDialogBackend(&dialogs_); }
  void TearDown() override {
    SetDialogBackend(nullptr);
    device::SetDevicePathOverride("");
  }
  void StartSim(std::vector<std::string> args = {}) {
    Start(std::move(args));
    device::SetDevicePathOverride(sim_->slave());
  }
  // An erased image with the given blocks in place, before the simulator
  // starts on it.
  void PrepareImage(const std::array<SiteBlock, kTypeCount>& blocks) {
    std::vector<uint8_t> image(kImageBytes, 0xFF);
    for (int i = 0; i < kTypeCount; ++i)
      std::copy(blocks[i].begin(), blocks[i].end(), image.begin() + kSiteBlockAddress[i]);
    int fd = ::open(this->image().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, image.data(), image.size()), static_cast<ssize_t>(image.size()));
    ::close(fd);
  }
  SiteBlock ImageBlock(int code) const {
    SiteBlock b{};
    int fd = ::open(image().c_str(), O_RDONLY);
    EXPECT_EQ(::pread(fd, b.data(), b.size(), kSiteBlockAddress[code]), static_cast<ssize_t>(b.size()));
    ::close(fd);
    return b;
  }
  static std::string Written(int code) { return "write " + std::to_string(kSiteBlockAddress[code]); }

  RecordingDialogs dialogs_;
  DiveSiteLists model_;
};

TEST_F(SiteTransfer, SendWritesEveryListAndReadBringsThemBack) {
  StartSim();
  SiteLists lists;
  for (int i = 0; i < 3; ++i) lists[0].push_back(Site(0, "scuba " + std::to_string(i), 25033000 + i, -121565000));
  lists[2].push_back(Site(2, std::string(55, 'G'), -8409517, 115188916));
  model_.ReplaceAll(lists);

  TransferResult r = SendSitesToDevice(model_, kShort);
  EXPECT_EQ(r.key, "DIVE_SITE_WRITED");
  EXPECT_EQ(dialogs_.questions, Texts({"SURE_SEND_DS"}));
  EXPECT_EQ(dialogs_.messages, Texts({"DIVE_SITE_WRITED"}));
  EXPECT_TRUE(EndSent());
  // The empty freedive list's block is not written (it stays erased here).
  for (int code = 0; code < kTypeCount; ++code) {
    EXPECT_EQ(LogCount(Written(code) + " ok"), lists[code].empty() ? 0u : 1u) << code;
    EXPECT_EQ(ImageBlock(code), EncodeSiteBlock(lists[code])) << code;
  }

  // A fresh model reads the same three lists back.
  DiveSiteLists other;
  r = ReadSitesFromDevice(other, kShort);
  EXPECT_EQ(r.key, "DIVE_SITE_READED");
  EXPECT_EQ(other.lists(), lists);
  EXPECT_EQ(dialogs_.questions.back(), Tr("SURE_READ_DS"));
  EXPECT_EQ(dialogs_.messages.back(), Tr("DIVE_SITE_READED"));
  EXPECT_TRUE(WaitForLog("rx 9997", 2));
}

TEST_F(SiteTransfer, AnEmptyListLeavesItsBlockOnTheDeviceAsItWas) {
  // The device holds five freedive and two gauge sites; the diver sends a
  // file of scuba sites only. Those two blocks are not written, so nothing
  // the device held is lost.
  std::array<SiteBlock, kTypeCount> blocks;
  for (auto& b : blocks) b.fill(0xFF);
  blocks[1] = EncodeSiteBlock(SiteList(5, Site(1, "old", 1, 1)));
  blocks[2] = EncodeSiteBlock(SiteList(2, Site(2, "gauge", 3, 3)));
  PrepareImage(blocks);
  StartSim();
  SiteLists lists;
  lists[0].push_back(Site(0, "new", 2, 2));
  model_.ReplaceAll(lists);
  ASSERT_EQ(SendSitesToDevice(model_, kShort).key, "DIVE_SITE_WRITED");
  EXPECT_EQ(LogCount("write "), 1u);
  DiveSiteLists back;
  ASSERT_EQ(ReadSitesFromDevice(back, kShort).key, "DIVE_SITE_READED");
  SiteLists expected = {lists[0], SiteList(5, Site(1, "old", 1, 1)), SiteList(2, Site(2, "gauge", 3, 3))};
  EXPECT_EQ(back.lists(), expected);
}

TEST_F(SiteTransfer, ReadTakesUsedSlotsInOrderWhateverTheirTypeByte) {
  std::array<SiteBlock, kTypeCount> blocks;
  for (auto& b : blocks) b.fill(0xFF);
  for (size_t slot : {0u, 1u, 5u}) EncodeSlot(Site(0, "s" + std::to_string(slot), 1, 2), blocks[0].data() + slot * 64);
  blocks[1] = EncodeSiteBlock(SiteList(64, Site(1, "full", -1, -2)));
  // A gauge slot with type byte 0 and a slot of noise (no zero in the name).
  EncodeSlot(Site(0, "odd", 3, 4), blocks[2].data());
  for (size_t i = 64; i < 128; ++i) blocks[2][i] = static_cast<uint8_t>(i * 37);
  PrepareImage(blocks);
  StartSim();
  model_.ReplaceAll({SiteList{Site(0, "before", 0, 0)}, {}, {}});

  ASSERT_EQ(ReadSitesFromDevice(model_, kShort).key, "DIVE_SITE_READED");
  std::vector<std::string> names;
  for (const DiveSite& s : model_.list(0)) names.push_back(s.Name());
  EXPECT_EQ(names, (std::vector<std::string>{"s0", "s1", "s5"}));
  EXPECT_EQ(model_.list(1).size(), 64u);
  ASSERT_EQ(model_.list(2).size(), 2u);
  EXPECT_EQ(model_.list(2)[0].type, 0);
  EXPECT_EQ(model_.list(2)[0].Name(), "odd");
  EXPECT_EQ(model_.current_type(), 0);

  // Sending them back writes the same bytes: nothing is normalised away.
  ASSERT_EQ(SendSitesToDevice(model_, kShort).key, "DIVE_SITE_WRITED");
  EXPECT_EQ(DecodeSiteBlock(ImageBlock(2)), model_.list(2));
}

TEST_F(SiteTransfer, ErasedBlocksReadAsThreeEmptyLists) {
  StartSim();
  model_.ReplaceAll({SiteList{Site(0, "before", 0, 0)}, {}, {}});
  EXPECT_EQ(ReadSitesFromDevice(model_, kShort).key, "DIVE_SITE_READED");
  EXPECT_TRUE(model_.empty());
}

TEST_F(SiteTransfer, NothingToSendOrDeclinedTouchesNoDevice) {
  StartSim();
  EXPECT_EQ(SendSitesToDevice(model_, kShort).key, "UNABLE_TO_WRITE");
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0], Tr("UNABLE_TO_WRITE") + "\n" + Tr("NO_DIVE_SITE"));
  EXPECT_TRUE(dialogs_.questions.empty());

  model_.ReplaceAll({SiteList{Site(0, "a", 0, 0)}, {}, {}});
  dialogs_.yes_answer = false;
  EXPECT_EQ(SendSitesToDevice(model_, kShort).key, "");
  EXPECT_EQ(ReadSitesFromDevice(model_, kShort).key, "");
  EXPECT_EQ(model_.list(0).size(), 1u);
  EXPECT_EQ(dialogs_.messages.size(), 1u);
  ASSERT_TRUE(AllSentIsLogged());
  EXPECT_EQ(LogCount("rx"), 1u);  // the test's own end command only
}

TEST_F(SiteTransfer, NoDeviceIsUsbNotConn) {
  device::SetDevicePathOverride(dir_.File("no-such-tty"));
  model_.ReplaceAll({SiteList{Site(0, "a", 0, 0)}, {}, {}});
  const int before = OpenDescriptorCount();
  EXPECT_EQ(SendSitesToDevice(model_, kShort).key, "USB_NOT_CONN");
  EXPECT_EQ(ReadSitesFromDevice(model_, kShort).key, "USB_NOT_CONN");
  EXPECT_EQ(dialogs_.messages, Texts({"USB_NOT_CONN", "USB_NOT_CONN"}));
  EXPECT_EQ(model_.list(0).size(), 1u);
  EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST_F(SiteTransfer, SilentDeviceIsNotSupportedInBoundedTime) {
  StartSim({"--fault", "silence=0"});
  model_.ReplaceAll({SiteList{Site(0, "a", 0, 0)}, {}, {}});
  const int before = OpenDescriptorCount();
  auto t = std::chrono::steady_clock::now();
  EXPECT_EQ(SendSitesToDevice(model_, kShort).key, "NOT_SUPPOR_DEVICE");
  EXPECT_EQ(ReadSitesFromDevice(model_, kShort).key, "NOT_SUPPOR_DEVICE");
  EXPECT_LT(SecondsSince(t), 3.0);
  EXPECT_EQ(dialogs_.messages, Texts({"NOT_SUPPOR_DEVICE", "NOT_SUPPOR_DEVICE"}));
  EXPECT_EQ(OpenDescriptorCount(), before);
  EXPECT_EQ(model_.list(0).size(), 1u);
}

TEST_F(SiteTransfer, UnidentifiedDeviceGetsNoFurtherCommand) {
  for (bool send : {true, false}) {
    SCOPED_TRACE(send ? "send" : "read");
    sim_.reset();
    std::remove(log().c_str());
    // The identify reply comes back as an echo of the request.
    StartSim({"--fault", "wrong-command=1"});
    model_.ReplaceAll({SiteList{Site(0, "a", 0, 0)}, {}, {}});
    const int before = OpenDescriptorCount();
    EXPECT_EQ((send ? SendSitesToDevice(model_, kShort) : ReadSitesFromDevice(model_, kShort)).key,
              "NOT_SUPPOR_DEVICE");
    EXPECT_EQ(OpenDescriptorCount(), before);
    EXPECT_TRUE(WaitForLog("closed"));  // all the run sent is in the log
    EXPECT_EQ(LogCount("rx"), 1u);      // identify only: no block, no end command
    EXPECT_EQ(model_.list(0).size(), 1u);
  }
}

TEST_F(SiteTransfer, BadBlockReadKeepsTheListsAndStillEnds) {
  for (const char* fault : {"bad-checksum", "hangup=60"}) {
    SCOPED_TRACE(fault);
    sim_.reset();
    std::remove(log().c_str());
    StartSim({"--fault", fault});
    const SiteLists before{SiteList{Site(0, "mine", 5, 6)}, {}, SiteList{Site(2, "g", 7, 8)}};
    model_.ReplaceAll(before);
    dialogs_.messages.clear();
    const int fds = OpenDescriptorCount();
    EXPECT_EQ(ReadSitesFromDevice(model_, kShort).key, "USB_ERROR");
    EXPECT_EQ(dialogs_.messages, Texts({"USB_ERROR"}));
    EXPECT_EQ(model_.lists(), before);
    EXPECT_EQ(OpenDescriptorCount(), fds);
    if (std::string(fault) == "bad-checksum") {
      EXPECT_TRUE(EndSent());
      EXPECT_EQ(LogCount("rx 0001"), 1u);  // no block read after the failed one
    }
  }
}

TEST_F(SiteTransfer, RefusedWriteStopsAtTheFirstBlock) {
  StartSim({"--fault", "write-refused"});
  model_.ReplaceAll({SiteList{Site(0, "a", 0, 0)}, SiteList{Site(1, "b", 0, 0)}, {}});
  const int fds = OpenDescriptorCount();
  EXPECT_EQ(SendSitesToDevice(model_, kShort).key, "USB_ERROR");
  EXPECT_EQ(dialogs_.messages, Texts({"USB_ERROR"}));
  EXPECT_TRUE(EndSent());
  EXPECT_EQ(LogCount("write "), 1u);
  EXPECT_EQ(LogCount(Written(0) + " refused"), 1u);
  EXPECT_EQ(OpenDescriptorCount(), fds);
}

}  // namespace
}  // namespace orv::test
