// Port discovery against udev devices simulated by umockdev: the test runs
// with umockdev's preload library, so libudev, /sys and /dev see the testbed.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <umockdev.h>
#include <unistd.h>

#include <fcntl.h>

#include <string>

#include "device/device_port.h"

namespace orv::device {
namespace {

class Discovery : public ::testing::Test {
 protected:
  void SetUp() override {
    bed_ = umockdev_testbed_new();
    ASSERT_TRUE(umockdev_in_mock_environment()) << "run with umockdev's preload library (ctest does)";
    SetDevicePathOverride("");
  }
  void TearDown() override {
    if (holder_ > 0) {
      ::kill(holder_, SIGKILL);
      ::waitpid(holder_, nullptr, 0);
    }
    if (bed_) g_object_unref(bed_);
  }

  // A USB device with the given identity and a tty interface below it.
  void AddSerial(const std::string& usb, const std::string& vendor, const std::string& product,
                 const std::string& tty) {
    std::string text = "P: /devices/pci0000:00/usb1/" + usb +
                       "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=" + vendor +
                       "\nA: idProduct=" + product + "\n\nP: /devices/pci0000:00/usb1/" + usb + "/" + usb +
                       ":1.0/tty/" + tty + "\nN: " + tty + "\nE: SUBSYSTEM=tty\nE: DEVNAME=/dev/" + tty + "\n";
    GError* error = nullptr;
    ASSERT_TRUE(umockdev_testbed_add_from_string(bed_, text.c_str(), &error)) << error->message;
  }

  // Another program holding the port, as a running PortScope would.
  void HoldInOtherProcess(const std::string& node) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    holder_ = ::fork();
    if (holder_ == 0) {
      int fd = ::open(node.c_str(), O_RDWR | O_NOCTTY);
      char ok = (fd >= 0 && ::flock(fd, LOCK_EX) == 0) ? 1 : 0;
      (void)!::write(ready[1], &ok, 1);
      ::pause();
      ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 1);
    ::close(ready[0]);
    ::close(ready[1]);
  }

  UMockdevTestbed* bed_ = nullptr;
  pid_t holder_ = -1;
};

TEST_F(Discovery, FindsTheDiveComputerAmongOtherSerialPorts) {
  AddSerial("1-1", "0403", "6001", "ttyUSB0");
  AddSerial("1-2", "1915", "52f1", "ttyACM0");
  AddSerial("1-3", "1915", "52f0", "ttyACM1");
  EXPECT_EQ(FindDevicePort(), "/dev/ttyACM1");
}

TEST_F(Discovery, NothingMatchingMeansEmpty) {
  AddSerial("1-1", "0403", "6001", "ttyUSB0");
  AddSerial("1-2", "1915", "52F1", "ttyACM0");
  EXPECT_EQ(FindDevicePort(), "");
}

TEST_F(Discovery, IdsInEitherCaseAndTheFirstOfTwoInUdevOrder) {
  AddSerial("1-1", "1915", "52F0", "ttyACM0");
  AddSerial("1-2", "1915", "52f0", "ttyACM1");
  auto listed = ListTtyCandidates();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(FindDevicePort(), listed[0].devnode);
}

TEST_F(Discovery, PortHeldByAnotherProgramIsPassedOver) {
  AddSerial("1-1", "1915", "52f0", "ttyACM0");
  AddSerial("1-2", "1915", "52f0", "ttyACM1");
  const std::string first = ListTtyCandidates().at(0).devnode;
  const std::string second = ListTtyCandidates().at(1).devnode;
  HoldInOtherProcess(first);
  EXPECT_EQ(FindDevicePort(), second);
}

TEST_F(Discovery, OnlyPortHeldElsewhereGivesEmpty) {
  AddSerial("1-1", "1915", "52f0", "ttyACM0");
  HoldInOtherProcess("/dev/ttyACM0");
  EXPECT_EQ(FindDevicePort(), "");
}

TEST_F(Discovery, OverrideSkipsDiscovery) {
  AddSerial("1-1", "1915", "52f0", "ttyACM0");
  SetDevicePathOverride("/dev/rfcomm7");
  EXPECT_EQ(ResolveDevicePort(), "/dev/rfcomm7");
  SetDevicePathOverride("");
  EXPECT_EQ(ResolveDevicePort(), "/dev/ttyACM0");
}

}  // namespace
}  // namespace orv::device
