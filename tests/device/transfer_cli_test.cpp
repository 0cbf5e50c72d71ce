// orvelle-cli's upload and dive-site commands against both simulators.
#include <csignal>
#include <filesystem>
#include <regex>

#include "cli_runner.h"
#include "device_test_support.h"
#include "seed.h"
#include "shared_sim_test.h"

namespace orv::test {
namespace {

class TransferCli : public SharedSimTest {
 protected:
  void SetUp() override {
    test::SharedSimTest::SetUp();
    devsim_ = std::make_unique<Devsim>(dir_.File("image.bin"));
    ASSERT_TRUE(devsim_->running());
  }
  CliResult Run(const std::string& args, const std::string& env = "") {
    return RunCli("--service 127.0.0.1:" + std::to_string(server_->port()) + " --ca-file " + server_->ca_file() +
                      " --device " + devsim_->slave() + " --email " + sim::kDemoEmail + " --password '" +
                      sim::kDemoPassword + "' " + args,
                  dir_.path(), env);
  }
  TempDir dir_;
  std::unique_ptr<Devsim> devsim_;
};

// The saved copy, which held the day empty, learns the uploaded dives too.
TEST_F(TransferCli, UploadPutsTheDivesIntoTheAccountAndTheSavedCopy) {
  const std::string env = "XDG_DATA_HOME=" + dir_.File("data") + " XDG_CONFIG_HOME=" + dir_.File("config");
  CliResult before = Run("day 2024-07-14", env);
  ASSERT_EQ(before.exit_code, 0) << before.err;
  EXPECT_EQ(before.out, "");
  CliResult up = Run("upload", env);
  ASSERT_EQ(up.exit_code, 0) << up.err;
  CliResult offline = Run("--offline day 2024-07-14", env);  // first: an online read would save the day
  ASSERT_EQ(offline.exit_code, 0) << offline.err;
  CliResult after = Run("day 2024-07-14", env);
  ASSERT_EQ(after.exit_code, 0) << after.err;
  EXPECT_FALSE(after.out.empty());
  EXPECT_EQ(offline.out, after.out);
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

// A stop acts at once wherever the command waits: in a request the service
// never answers, or in a download that crawls along above the stall floor.
// The transfer is abandoned, nothing of it is left on disk, the end command
// still goes out, and one line names the signal.
TEST_F(TransferCli, AStopDuringARequestOrADownloadEndsWithinASecond) {
  struct Case {
    const char* command;
    const char* fault_endpoint;  // stalled with the "stall" fault, or empty
    const char* file_mode;       // update files' mode
    const char* waits_in;        // the endpoint whose request is under way when the signal comes
    int hits;
    const char* unfinished;  // the file being fetched then, or empty
    int signal;
    const char* name;
  };
  const Case cases[] = {
      {"upload", "header_info", "normal", "header_info", 1, "", SIGINT, "SIGINT"},
      {"update-fw", "", "slow", "update_file", 2, "data1.bin", SIGTERM, "SIGTERM"},
      {"update-ds", "", "slow", "update_file", 1, "ds1.bin", SIGHUP, "SIGHUP"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    TempDir home;
    Devsim device(dir_.File("image.bin"), {"--log", home.File("device.log")});
    ASSERT_TRUE(device.running());
    if (*c.fault_endpoint) ASSERT_TRUE(server_->SetFault(c.fault_endpoint, "stall"));
    ASSERT_TRUE(server_->SetUpdateMode(c.file_mode));
    const int hits = server_->Hits(c.waits_in);
    const pid_t pid = SpawnCli(
        {"--service", "127.0.0.1:" + std::to_string(server_->port()), "--ca-file", server_->ca_file(), "--device",
         device.slave(), "--email", sim::kDemoEmail, "--password", sim::kDemoPassword, "--yes", c.command},
        {"HOME=" + home.path(), "XDG_CONFIG_HOME=" + home.File("config")}, home.File("err.txt"));
    ASSERT_GT(pid, 0);
    auto waited = std::chrono::steady_clock::now();
    while (server_->Hits(c.waits_in) < hits + c.hits && SecondsSince(waited) < 20)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // well inside the transfer
    ::kill(pid, c.signal);
    const auto signalled = std::chrono::steady_clock::now();
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    const double seconds = SecondsSince(signalled);
    if (*c.fault_endpoint) server_->SetFault(c.fault_endpoint, "none");
    server_->SetUpdateMode("normal");

    ASSERT_TRUE(WIFEXITED(status)) << "killed by the signal instead of stopping";
    EXPECT_EQ(WEXITSTATUS(status), 128 + c.signal);
    EXPECT_LT(seconds, 1.0);
    const std::string err = SlurpFile(home.File("err.txt"));
    // The last line, and only it, names the signal: no failure is reported
    // for what the stop itself ended.
    const std::string last = err.substr(err.rfind('\n', err.size() - 2) + 1);
    EXPECT_NE(last.find(c.name), std::string::npos) << err;
    EXPECT_EQ(err.find(c.name), err.rfind(c.name)) << err;
    EXPECT_TRUE(WaitForLogLines(home.File("device.log"), "rx 9997"));
    // Files fetched whole before the stop stay, as after any failed update;
    // the one in flight and every temporary are gone.
    const std::regex leftover(R"(.*\.(bin|json)\..+)");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(home.path())) {
      const std::string name = entry.path().filename().string();
      EXPECT_FALSE(std::regex_match(name, leftover) || name == c.unfinished) << entry.path();
    }
  }
}

}  // namespace
}  // namespace orv::test
