// The packet exchange against the simulator on a real pseudo-terminal.
#include "device_test_support.h"

#include "device/device_identity.h"

namespace orv::test {
namespace {

using namespace orv::device;

class Protocol : public DevsimTest {};

TEST_F(Protocol, IdentifyReportsVersionIdentityAndModel) {
  Start({"--firmware", "2.0.17", "--model", "ABCDEFGHIJKL", "--identity", "4000000000"});
  auto s = Open();
  AppState state;
  state.firmware_version = "stale";
  ASSERT_TRUE(IdentifyDevice(s->usb(), state));
  EXPECT_EQ(state.firmware_version, "2.0.17");
  EXPECT_EQ(state.device_identity, 4000000000u);
  EXPECT_EQ(state.model, "ABCDEFGHIJKL");  // 12 bytes, no terminator inside the packet
}

TEST_F(Protocol, EmptyVersionAndModelFieldsKeepTheDefaults) {
  Start({"--firmware", "", "--model", "", "--identity", "77"});
  auto s = Open();
  AppState state;
  state.device_identity = 5;
  ASSERT_TRUE(IdentifyDevice(s->usb(), state));
  EXPECT_EQ(state.firmware_version, "0.000");
  EXPECT_EQ(state.device_identity, 77u);
  EXPECT_EQ(state.model, "Q7");
}

TEST_F(Protocol, EchoedIdentifyFails) {
  Start({"--fault", "wrong-command=1"});
  auto s = Open();
  AppState state;
  EXPECT_FALSE(IdentifyDevice(s->usb(), state));
  EXPECT_EQ(s->usb().last_fault(), UsbFault::WrongCommand);
}

TEST_F(Protocol, WriteSendsExactly129PacketsReadsOneAndPersistsAcrossRestart) {
  Start();
  const Block data = Pattern(3);
  {
    auto s = Open();
    Usb& usb = s->usb();
    size_t written = usb.link().packets_written(), read = usb.link().packets_read();
    ASSERT_TRUE(usb.WriteBlock(0x10A000, data.data())) << FaultName(usb.last_fault());
    EXPECT_EQ(usb.link().packets_written() - written, 129u);
    EXPECT_EQ(usb.link().packets_read() - read, 1u);
    usb.SendEnd();
  }
  ASSERT_TRUE(WaitForLog("rx 9997"));
  EXPECT_EQ(LogCount("rx 0005"), 128u);
  EXPECT_EQ(LogCount("rx 0003"), 1u);

  sim_->Stop();
  Start();
  auto s = Open();
  Block back{}, site{};
  ASSERT_TRUE(s->usb().ReadBlock(0x10A000, back.data(), 4096));
  EXPECT_EQ(back, data);
  // The untouched dive-site blocks of a new image are erased flash.
  ASSERT_TRUE(s->usb().ReadBlock(0x10B000, site.data(), 4096));
  EXPECT_TRUE(std::all_of(site.begin(), site.end(), [](uint8_t b) { return b == 0xFF; }));
}

TEST_F(Protocol, ShortReadStillTakesTheWholeBlockAndClampsLongOnes) {
  Start();
  auto s = Open();
  const Block data = Pattern(9);
  ASSERT_TRUE(s->usb().WriteBlock(0x109000, data.data()));

  std::array<uint8_t, 200> small;
  small.fill(0xEE);
  ASSERT_TRUE(s->usb().ReadBlock(0x109000, small.data(), 100));
  EXPECT_TRUE(std::equal(small.begin(), small.begin() + 100, data.begin()));
  EXPECT_EQ(small[100], 0xEE);
  // All 129 packets were taken: the next exchange is still in step.
  std::array<uint8_t, 4096 + 64> big;
  big.fill(0xEE);
  ASSERT_TRUE(s->usb().ReadBlock(0x109000, big.data(), 100000));
  EXPECT_TRUE(std::equal(data.begin(), data.end(), big.begin()));
  EXPECT_TRUE(std::all_of(big.begin() + 4096, big.end(), [](uint8_t b) { return b == 0xEE; }));
}

TEST_F(Protocol, ChecksumCoversTheWholeBlockEvenForAShortRead) {
  Start({"--fault", "bad-checksum"});
  auto s = Open();
  std::array<uint8_t, 100> small;
  small.fill(0);
  EXPECT_FALSE(s->usb().ReadBlock(0x109000, small.data(), 100));
  EXPECT_EQ(s->usb().last_fault(), UsbFault::Checksum);
  // The bytes were handed over before the verdict.
  EXPECT_EQ(small[0], 0xFF);
}

TEST_F(Protocol, OutOfStepIndexFailsAtOnce) {
  // Packet 1 answers identify; packet 7 is data index 5 and arrives as 6.
  Start({"--fault", "wrong-index=7"});
  auto s = Open(Deadlines{std::chrono::seconds(5), std::chrono::seconds(5)});
  AppState state;
  ASSERT_TRUE(IdentifyDevice(s->usb(), state));
  Block b;
  size_t read = s->usb().link().packets_read();
  auto t = std::chrono::steady_clock::now();
  EXPECT_FALSE(s->usb().ReadBlock(0, b.data(), 4096));
  EXPECT_LT(SecondsSince(t), 1.0);  // no waiting for the rest of the block
  EXPECT_EQ(s->usb().last_fault(), UsbFault::WrongIndex);
  EXPECT_EQ(s->usb().link().packets_read() - read, 6u);
}

TEST_F(Protocol, RefusedWriteFails) {
  Start({"--fault", "write-refused"});
  auto s = Open();
  const Block data = Pattern(1);
  EXPECT_FALSE(s->usb().WriteBlock(0x109000, data.data()));
  EXPECT_EQ(s->usb().last_fault(), UsbFault::Refused);
}

TEST_F(Protocol, PortIsExclusiveAndClosesCleanly) {
  Start();
  const int before = OpenDescriptorCount();
  {
    auto first = Open();
    DeviceSession second;
    EXPECT_FALSE(second.Open(sim_->slave()));
    EXPECT_FALSE(second.is_open());
  }
  EXPECT_EQ(OpenDescriptorCount(), before);
  DeviceSession again;
  EXPECT_TRUE(again.Open(sim_->slave())) << again.error();
  DeviceSession missing;
  EXPECT_FALSE(missing.Open(dir_.File("no-such-tty")));
}

}  // namespace
}  // namespace orv::test
