// Which tty discovery picks: the USB identity match and the order rules.
#include <gtest/gtest.h>

#include <set>

#include "device/device_port.h"

namespace orv::device {
namespace {

TEST(DiveComputerUsbId, MatchesOnlyVendor1915Product52F0InAnyCase) {
  EXPECT_TRUE(IsDiveComputerUsbId("1915", "52f0"));
  EXPECT_TRUE(IsDiveComputerUsbId("1915", "52F0"));
  EXPECT_FALSE(IsDiveComputerUsbId("1915", "52f1"));
  EXPECT_FALSE(IsDiveComputerUsbId("1916", "52f0"));
  EXPECT_FALSE(IsDiveComputerUsbId("", ""));
  EXPECT_FALSE(IsDiveComputerUsbId("1915", "52f00"));
}

TEST(ChoosePort, FirstMatchingPortThatOpensInListedOrder) {
  std::vector<PortCandidate> list = {
      {"/dev/ttyUSB0", "0403", "6001"},  // another vendor's adapter
      {"/dev/ttyACM0", "1915", "52f1"},  // same vendor, other product
      {"/dev/ttyACM1", "1915", "52F0"},  // held by another program
      {"/dev/ttyACM2", "1915", "52f0"}, {"/dev/ttyACM3", "1915", "52f0"},
  };
  std::set<std::string> tried;
  auto can_open = [&](const std::string& node) {
    tried.insert(node);
    return node != "/dev/ttyACM1";
  };
  EXPECT_EQ(ChoosePort(list, can_open), "/dev/ttyACM2");
  EXPECT_EQ(tried, (std::set<std::string>{"/dev/ttyACM1", "/dev/ttyACM2"}));  // non-matching never opened
  EXPECT_EQ(ChoosePort({list[0], list[1], list[2]}, can_open), "");
}

TEST(DevicePathOverride, ReplacesDiscoveryUntilCleared) {
  SetDevicePathOverride("/dev/rfcomm0");
  EXPECT_EQ(ResolveDevicePort(), "/dev/rfcomm0");
  SetDevicePathOverride("");
  EXPECT_EQ(DevicePathOverride(), "");
}

}  // namespace
}  // namespace orv::device
