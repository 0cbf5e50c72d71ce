// orvelle-cli's device commands against the simulator.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <csignal>

#include <filesystem>

#include "cli_runner.h"
#include "device_test_support.h"

namespace orv::test {
namespace {

class Cli : public DevsimTest {
 protected:
  CliResult Run(const std::string& args, const std::string& env = "") { return RunCli(args, dir_.path(), env); }
};

// The simulators are tools a developer runs by hand: --help is an answer,
// a bad option a usage error.
TEST_F(Cli, SimulatorsAnswerHelpAndRefuseBadOptions) {
  struct Case {
    const char* args;
    int exit_code;
    bool usage_on_stdout;
  };
  for (const char* program : {"orvelle-devsim", "orvelle-cloudsim"})
    for (const Case& c : {Case{"--help", 0, true}, Case{"-h", 0, true}, Case{"--bogus 1", 2, false}}) {
      SCOPED_TRACE(std::string(program) + " " + c.args);
      const CliResult r = RunCommand(std::string(ORVELLE_BIN_DIR "/") + program + " " + c.args, dir_.path());
      EXPECT_EQ(r.exit_code, c.exit_code);
      EXPECT_EQ(r.out.find(std::string("usage: ") + program) != std::string::npos, c.usage_on_stdout) << r.out;
      EXPECT_EQ(r.err.find(std::string("usage: ") + program) != std::string::npos, !c.usage_on_stdout) << r.err;
    }
}

TEST_F(Cli, IdentifyPrintsVersionIdentityModelAndEnds) {
  Start({"--identity", "123456"});
  CliResult r = Run("--device " + sim_->slave() + " identify");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "1.005\t123456\tQ7\n");
  ASSERT_TRUE(WaitForLog("closed"));
  EXPECT_EQ(ReadLines(log()), (std::vector<std::string>{"rx 0030 0", "rx 9997 0", "closed"}));
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
  // Once the port is closed, an end command would be in the log before it.
  ASSERT_TRUE(WaitForLog("closed"));
  EXPECT_EQ(ReadLines(log()), (std::vector<std::string>{"rx 0030 0", "closed"}));
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
  ASSERT_TRUE(WaitForLog("closed", 2));  // the writing session's, then the dump's
  EXPECT_EQ(LogCount("rx 0001"), 2u);
  const auto lines = ReadLines(log());
  EXPECT_EQ(lines[lines.size() - 2], "rx 9997 0");
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

TEST_F(Cli, DumpPastTheEndOfDeviceMemoryIsAUsageError) {
  // No device there: a range that got as far as opening it fails with 1.
  const std::pair<const char*, int> cases[] = {
      {"0 0xFFFFFFFF", 2}, {"0xFFFFFF 2", 2}, {"0x1000000 1", 2}, {"0xFFF000 0x1000", 1}};
  for (const auto& [range, code] : cases) {
    CliResult r = Run("--device " + dir_.File("ttyNONE") + " dump " + range + " " + dir_.File("d.bin"));
    EXPECT_EQ(r.exit_code, code) << range << ": " << r.err;
  }
}

// A signal in the middle of a dump: the end command still goes out, the port
// can be opened again at once, no file is left, one line names the signal.
TEST_F(Cli, SignalEndsTheOperationAndReleasesThePort) {
  Start({"--fault", "trickle=100"});  // some 0.8 s per block: the dump is still running
  const std::string file = dir_.File("dump.bin"), err = dir_.File("err.txt");
  const struct {
    int signal;
    int exit_code;
    const char* name;
  } cases[] = {{SIGINT, 130, "SIGINT"}, {SIGTERM, 143, "SIGTERM"}, {SIGHUP, 129, "SIGHUP"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t reads = LogCount("rx 0001"), ends = LogCount("rx 9997");
    const pid_t pid = SpawnCli({"--device", sim_->slave(), "dump", "0", "0x40000", file}, {}, err);
    ASSERT_GT(pid, 0);
    const bool reading = WaitForLog("rx 0001", reads + 1);
    ::kill(pid, c.signal);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(reading);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by the signal instead of stopping";
    EXPECT_EQ(WEXITSTATUS(status), c.exit_code);
    const std::string text = SlurpFile(err);
    EXPECT_NE(text.find(c.name), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_TRUE(WaitForLog("rx 9997", ends + 1));
    EXPECT_TRUE(Open()->is_open());
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
      EXPECT_EQ(entry.path().string().find("dump.bin"), std::string::npos) << entry.path();
  }
}

// Each failure says what really went wrong: a port another program holds is
// not a missing dive computer, an unwritable dump is not a damaged update,
// and a program without its language table still speaks.
TEST_F(Cli, EachFailureNamesItsCause) {
  Start();
  {
    auto held = Open();  // another program has the port
    CliResult busy = Run("--device " + sim_->slave() + " identify");
    EXPECT_EQ(busy.exit_code, 1);
    EXPECT_EQ(busy.err.rfind("USB_IN_USE: ", 0), 0u) << busy.err;
  }
  std::filesystem::create_directory(dir_.File("folder"));
  CliResult dump = Run("--device " + sim_->slave() + " dump 0 16 " + dir_.File("folder"));
  EXPECT_EQ(dump.exit_code, 1);
  EXPECT_EQ(dump.err.rfind("FILE_WRITE_ERROR: ", 0), 0u) << dump.err;
  EXPECT_NE(dump.err.find(dir_.File("folder")), std::string::npos) << dump.err;
  EXPECT_TRUE(std::filesystem::is_directory(dir_.File("folder")));
  EXPECT_TRUE(WaitForLog("rx 9997", 1));  // the device was still ended

  // A copy of the program with no string.json beside it or in a share folder.
  const std::string lone = dir_.File("lone-cli");
  std::filesystem::copy_file(ORVELLE_BIN_DIR "/orvelle-cli", lone);
  std::system((lone + " --device " + dir_.File("none") + " identify 2>" + dir_.File("lone.txt")).c_str());
  const std::string text = SlurpFile(dir_.File("lone.txt"));
  EXPECT_NE(text.find("USB_NOT_CONN: No dive computer found."), std::string::npos) << text;
  EXPECT_NE(text.find("string.json"), std::string::npos) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
}

// Dive-site files: a link keeps being a link, a FIFO is neither replaced nor
// waited on.
TEST_F(Cli, SiteFilesAreOnlyReadFromAndWrittenToRegularFiles) {
  Start();
  namespace fs = std::filesystem;
  fs::create_directory(dir_.File("real"));
  fs::create_symlink("real/sites.ds", dir_.File("link.ds"));
  ASSERT_EQ(::mkfifo(dir_.File("fifo.ds").c_str(), 0600), 0);
  const std::string device = "--device " + sim_->slave() + " --yes ";

  CliResult linked = Run(device + "sites-read " + dir_.File("link.ds"));
  ASSERT_EQ(linked.exit_code, 0) << linked.err;
  EXPECT_TRUE(fs::is_symlink(dir_.File("link.ds")));
  EXPECT_NE(SlurpFile(dir_.File("real/sites.ds")).find("<orvelle_dive_site>"), std::string::npos);

  for (const char* command : {"sites-read ", "sites-write "}) {
    CliResult r = Run(device + command + dir_.File("fifo.ds"));
    EXPECT_EQ(r.exit_code, 1) << command << r.err;
    EXPECT_NE(r.err.find("fifo.ds"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_fifo(dir_.File("fifo.ds")));
  }
}

}  // namespace
}  // namespace orv::test
