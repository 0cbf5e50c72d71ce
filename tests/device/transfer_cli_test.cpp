// orvelle-cli's upload and dive-site commands against both simulators.
#include "cli_runner.h"
#include "device_test_support.h"
#include "seed.h"
#include "shared_sim_test.h"

namespace orv::test {
namespace {

class TransferCli : public SharedSimTest {
 protected:
  void SetUp() override {
    SharedSimTest::SetUp();
    devsim_ = std::make_unique<Devsim>(dir_.File("image.bin"));
    ASSERT_TRUE(devsim_->running());
  }
  CliResult Run(const std::string& args) {
    return RunCli("--service 127.0.0.1:" + std::to_string(server_->port()) + " --ca-file " + server_->ca_file() +
                      " --device " + devsim_->slave() + " --email " + sim::kDemoEmail + " --password '" +
                      sim::kDemoPassword + "' " + args,
                  dir_.path());
  }
  TempDir dir_;
  std::unique_ptr<Devsim> devsim_;
};

TEST_F(TransferCli, UploadPutsTheDivesIntoTheAccount) {
  CliResult before = Run("day 2024-07-14");
  ASSERT_EQ(before.exit_code, 0) << before.err;
  EXPECT_EQ(before.out, "");
  CliResult up = Run("upload");
  ASSERT_EQ(up.exit_code, 0) << up.err;
  CliResult after = Run("day 2024-07-14");
  ASSERT_EQ(after.exit_code, 0) << after.err;
  EXPECT_FALSE(after.out.empty());
}

TEST_F(TransferCli, DiveSitesGoToTheDeviceOnlyWhenConfirmedAndComeBack) {
  const std::string file = dir_.File("mine.ds"), back = dir_.File("back.ds");
  {
    std::ofstream out(file, std::ios::binary);
    out << "<?xml version=\"1.0\"?>\r\n<orvelle_dive_site>\r\n    <scuba>\r\n"
           "        <waypoint name=\"Blue Hole &amp; Arch\" lat=\"28.572200\" lng=\"34.537200\" />\r\n"
           "    </scuba>\r\n    <freedive />\r\n    <gauge />\r\n</orvelle_dive_site>\r\n";
  }
  CliResult unconfirmed = Run("sites-write " + file);
  EXPECT_EQ(unconfirmed.exit_code, 2);
  CliResult empty = Run("--yes sites-read " + back);
  ASSERT_EQ(empty.exit_code, 0) << empty.err;
  EXPECT_EQ(SlurpFile(back).find("Blue Hole"), std::string::npos);  // nothing was written

  CliResult written = Run("--yes sites-write " + file);
  ASSERT_EQ(written.exit_code, 0) << written.err;
  CliResult read = Run("--yes sites-read " + back);
  ASSERT_EQ(read.exit_code, 0) << read.err;
  const std::string text = SlurpFile(back);
  EXPECT_NE(text.find("Blue Hole &amp; Arch"), std::string::npos) << text;
  EXPECT_NE(text.find("28.572200"), std::string::npos);

  CliResult missing = Run("--yes sites-write " + dir_.File("none.ds"));
  EXPECT_EQ(missing.exit_code, 1);
}

}  // namespace
}  // namespace orv::test
