// The export of a generated log book, run as the diver runs it (orvelle-cli
// --offline in a child process): its peak memory must not grow with the
// number of dives, in either format, and every dive reaches the file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "cli_runner.h"
#include "logbook/copy_place.h"
#include "scratch_dir.h"
#include "spawn_program.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

constexpr const char* kEmail = "demo@orvelle.test";

struct ChildRun {
  int exit_code = -1;
  long peak_kb = 0;
};

ChildRun RunChild(std::vector<std::string> argv, const std::string& data_home, const std::string& err) {
  const pid_t pid = test::SpawnProgram(std::move(argv), {"XDG_DATA_HOME=" + data_home}, {"/dev/null", err});
  ChildRun run;
  int status = 0;
  struct rusage usage {};
  if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid) return run;
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.peak_kb = usage.ru_maxrss;
  return run;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class ExportMemoryTest : public ScratchDirTest {
 protected:
  ExportMemoryTest() : ScratchDirTest("export_memory") {}

  // A data folder holding a generated book of `dives` dives.
  std::string Book(int dives) {
    std::string home = (dir_ / ("home" + std::to_string(dives))).string();
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    EXPECT_FALSE(SavedCopyFolder(true).empty());
    const ChildRun made =
        RunChild({std::string(ORVELLE_BIN_DIR) + "/orvelle-bookgen", "--dives", std::to_string(dives), "--samples",
                  "300", "--years", "3", "--end", "2025-12", "--out", SavedCopyPath(kEmail)},
                 home, (dir_ / "bookgen.err").string());
    EXPECT_EQ(made.exit_code, 0) << test::SlurpFile((dir_ / "bookgen.err").string());
    return home;
  }
};

// One book of a few thousand dives: its last quarter year (a few hundred)
// against all of it.
TEST_F(ExportMemoryTest, PeakMemoryStaysFlatInTheNumberOfDives) {
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer keeps what is freed in quarantine, so peak memory grows
  // with everything allocated: the measure means nothing in that build.
  GTEST_SKIP() << "peak memory is not measured under AddressSanitizer";
#endif
  constexpr int kDives = 2000;
  const std::string home = Book(kDives);
  for (const char* extension : {"uddf", "csv"}) {
    long peak[2] = {0, 0};
    size_t written[2] = {0, 0};
    for (int all = 0; all < 2; ++all) {
      SCOPED_TRACE(std::string(extension) + (all ? ", the whole book" : ", one quarter"));
      const std::string file = (dir_ / (std::string("book.") + extension)).string();
      const std::string err = (dir_ / "export.err").string();
      const ChildRun run = RunChild({std::string(ORVELLE_BIN_DIR) + "/orvelle-cli", "--offline", "--email", kEmail,
                                     "export", "--from", all ? "2023-01" : "2025-10", "--to", "2025-12", file},
                                    home, err);
      ASSERT_EQ(run.exit_code, 0) << test::SlurpFile(err);
      const bool csv = extension[0] == 'c';  // a header line above the rows
      written[all] = Count(test::SlurpFile(file), csv ? "\r\n" : "<dive id=") - (csv ? 1 : 0);
      peak[all] = run.peak_kb;
    }
    EXPECT_EQ(written[1], static_cast<size_t>(kDives));
    EXPECT_GT(written[0], 0u);
    EXPECT_LT(written[0] * 5, written[1]);
    // Several times the dives: held, their samples alone would add tens of
    // megabytes (hundreds as XML); the index of a spool adds a few hundred
    // kilobytes.
    EXPECT_LT(peak[1], peak[0] + 8 * 1024) << extension << ": " << peak[0] << " KB for " << written[0] << " dives, "
                                           << peak[1] << " KB for " << written[1];
  }
}

}  // namespace
}  // namespace orv
