// orvelle-cli's device commands against the simulator.
#include "cli_runner.h"
#include "device_test_support.h"


namespace orv::test {
namespace {

class Cli : public DevsimTest {
 protected:
  CliResult Run(const std::string& args, const std::string& env = "") { return RunCli(args, dir_.path(), env); }
};

TEST_F(Cli, IdentifyPrintsVersionIdentityModelAndEnds) {
  Start({"--identity", "123456"});
  CliResult r = Run("--device " + sim_->slave() + " identify");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "1.005\t123456\tQ7\n");
  ASSERT_TRUE(WaitForLog("rx 9997"));
  EXPECT_EQ(ReadLines(log()), (std::vector<std::string>{"rx 0030 0", "rx 9997 0"}));
  // The environment names the device as well.
  EXPECT_EQ(Run("identify", "ORVELLE_DEVICE=" + sim_->slave()).out, "1.005\t123456\tQ7\n");
}

TEST_F(Cli, SilentDeviceFailsIdentifyWithinTenSeconds) {
  Start({"--fault", "silence=0"});
  CliResult r = Run("--device " + sim_->slave() + " identify");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err.rfind("NOT_SUPPOR_DEVICE: ", 0), 0u) << r.err;
  EXPECT_LT(r.seconds, 10.0);
}

TEST_F(Cli, FailedIdentifySendsNothingMore) {
  Start({"--fault", "wrong-command=1"});
  CliResult r = Run("--device " + sim_->slave() + " identify");
  EXPECT_EQ(r.exit_code, 1);
  ASSERT_TRUE(WaitForLog("rx 0030"));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // an end command would be here by now
  EXPECT_EQ(ReadLines(log()), std::vector<std::string>{"rx 0030 0"});
}

TEST_F(Cli, MissingDeviceIsNotConnected) {
  CliResult r = Run("--device " + dir_.File("ttyNONE") + " identify");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err.rfind("USB_NOT_CONN: ", 0), 0u) << r.err;
}

TEST_F(Cli, DumpReadsAnUnalignedRangeAcrossBlocks) {
  Start();
  const Block a = Pattern(1), b = Pattern(2);
  {
    auto s = Open();
    ASSERT_TRUE(s->usb().WriteBlock(0x200000, a.data()));
    ASSERT_TRUE(s->usb().WriteBlock(0x201000, b.data()));
  }
  const std::string file = dir_.File("dump.bin");
  CliResult r = Run("--device " + sim_->slave() + " dump 0x200010 5000 " + file);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::string got = SlurpFile(file);
  std::string want(a.begin() + 16, a.end());
  want.append(b.begin(), b.begin() + (5000 - want.size()));
  EXPECT_EQ(got, want);
  ASSERT_TRUE(WaitForLog("rx 9997"));
  EXPECT_EQ(LogCount("rx 0001"), 2u);
  EXPECT_EQ(ReadLines(log()).back(), "rx 9997 0");
}

TEST_F(Cli, FailedDumpEndsTheDeviceAndLeavesNoFile) {
  Start({"--fault", "bad-checksum"});
  const std::string file = dir_.File("dump.bin");
  CliResult r = Run("--device " + sim_->slave() + " dump 1048576 8192 " + file);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err.rfind("USB_ERROR: ", 0), 0u) << r.err;
  EXPECT_FALSE(std::ifstream(file).good());
  ASSERT_TRUE(WaitForLog("rx 9997"));
  EXPECT_EQ(LogCount("rx 0001"), 1u);  // nothing read after the failed block
  EXPECT_EQ(Run("--device " + sim_->slave() + " dump 0x10 nonsense " + file).exit_code, 2);
}

}  // namespace
}  // namespace orv::test
