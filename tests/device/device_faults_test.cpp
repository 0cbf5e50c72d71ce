// Injected line faults: each ends the operation in bounded time, reported by
// its result, with the port closed afterwards.
#include "device_test_support.h"

#include "device/device_identity.h"

namespace orv::test {
namespace {

using namespace orv::device;

class Faults : public DevsimTest {
 protected:
  // Runs `op` on a fresh session after a good identify; returns the fault and
  // checks the time bound and that closing left nothing open.
  template <typename Op>
  UsbFault Run(Op op, double limit_seconds, bool identify = true) {
    const int before = OpenDescriptorCount();
    UsbFault fault = UsbFault::None;
    {
      auto s = Open();
      AppState state;
      if (identify) {
        EXPECT_TRUE(IdentifyDevice(s->usb(), state));
      }
      auto t = std::chrono::steady_clock::now();
      EXPECT_FALSE(op(s->usb()));
      EXPECT_LT(SecondsSince(t), limit_seconds);
      fault = s->usb().last_fault();
      s->usb().SendEnd();  // must not hang or throw on a dead line either
    }
    EXPECT_EQ(OpenDescriptorCount(), before);
    return fault;
  }
  Block block_{};
};

TEST_F(Faults, SilentDeviceFailsIdentifyAtTheDeadline) {
  Start({"--fault", "silence=0"});
  auto t = std::chrono::steady_clock::now();
  EXPECT_EQ(Run(
                [](Usb& u) {
                  AppState s;
                  return IdentifyDevice(u, s);
                },
                1.5, false),
            UsbFault::Timeout);
  EXPECT_GE(SecondsSince(t), 0.35);
}

TEST_F(Faults, DeviceFallingSilentMidBlock) {
  Start({"--fault", "silence=1"});
  EXPECT_EQ(Run([&](Usb& u) { return u.ReadBlock(0, block_.data(), 4096); }, 1.5), UsbFault::Timeout);
}

TEST_F(Faults, WriteResultThatNeverComesUsesTheLongerDeadline) {
  // Identify and the 128 data packets are taken in; the commit is not answered.
  Start({"--fault", "silence=129"});
  auto t = std::chrono::steady_clock::now();
  EXPECT_EQ(Run([&](Usb& u) { return u.WriteBlock(0x109000, block_.data()); }, 2.0), UsbFault::Timeout);
  EXPECT_GE(SecondsSince(t), kShort.write_result.count() / 1000.0 - 0.05);
}

TEST_F(Faults, HangUpInTheMiddleOfABlock) {
  Start({"--fault", "hangup=40"});
  EXPECT_EQ(Run([&](Usb& u) { return u.ReadBlock(0, block_.data(), 4096); }, 1.0), UsbFault::HangUp);
}

TEST_F(Faults, WrongCommandInsideABlock) {
  Start({"--fault", "wrong-command=10"});
  EXPECT_EQ(Run([&](Usb& u) { return u.ReadBlock(0, block_.data(), 4096); }, 1.0), UsbFault::WrongCommand);
}

TEST_F(Faults, TricklingBytesStillMakeWholePackets) {
  Start({"--fault", "trickle=20"});
  auto s = Open(Deadlines{std::chrono::seconds(3), std::chrono::seconds(3)});
  AppState state;
  ASSERT_TRUE(IdentifyDevice(s->usb(), state));
  EXPECT_EQ(state.model, "Q7");
  Block b{};
  EXPECT_TRUE(s->usb().ReadBlock(0x109000, b.data(), 4096)) << FaultName(s->usb().last_fault());
  EXPECT_EQ(b[4095], 0xFF);
}

TEST_F(Faults, NextRunAfterAFailureStartsInStep) {
  // The first run gives up mid-block; the device's leftover packets must not
  // be taken as answers by the next run.
  Start({"--fault", "wrong-index=20"});
  Run([&](Usb& u) { return u.ReadBlock(0, block_.data(), 4096); }, 1.0);
  auto s = Open();
  AppState state;
  EXPECT_TRUE(IdentifyDevice(s->usb(), state)) << FaultName(s->usb().last_fault());
  EXPECT_TRUE(s->usb().ReadBlock(0, block_.data(), 4096)) << FaultName(s->usb().last_fault());
}

}  // namespace
}  // namespace orv::test
