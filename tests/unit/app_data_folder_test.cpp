// The data folder for downloaded files follows the XDG documents folder; the
// program's own data (string.json, pages) is found relative to the program.
#include <glib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/app_state.h"
#include "app/page_folder.h"

namespace {

namespace fs = std::filesystem;

TEST(DataFolder, LiesInTheDocumentsFolderAndIsCreatedOnce) {
  gchar* tmp = g_dir_make_tmp("orvelle-home-XXXXXX", nullptr);
  ASSERT_NE(tmp, nullptr);
  const std::string home = tmp;
  g_free(tmp);
  // Must happen before anything in this process asks GLib for a folder.
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
  fs::create_directories(home + "/.config");
  std::ofstream(home + "/.config/user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n";

  const std::string folder = orv::DataFolder();
  EXPECT_EQ(folder, home + "/Papers/orvelle tessaro/");
  EXPECT_TRUE(fs::is_directory(folder));

  // A file left in it survives the second call, which gives the same path.
  std::ofstream(folder + "features.json") << "{}";
  EXPECT_EQ(orv::DataFolder(), folder);
  EXPECT_TRUE(fs::exists(folder + "features.json"));
  fs::remove_all(home);
}

// A build tree keeps the data beside the program; an installed one under
// <prefix>/share, whatever the prefix. The result carries no "..", which the
// app:// scheme would refuse to serve below.
TEST(ProgramDataFolder, BesideTheProgramElsePrefixShare) {
  const fs::path root = fs::temp_directory_path() / ("orvelle-prefix-" + std::to_string(getpid()));
  const std::string bin = (root / "bin").string() + "/";
  const std::string share = (root / "share/orvelle-pc-tool").string() + "/";
  const struct {
    bool beside, installed;
    std::string want;
  } cases[] = {{false, false, bin}, {false, true, share}, {true, true, bin}};
  for (const auto& c : cases) {
    fs::remove_all(root);
    fs::create_directories(bin);
    fs::create_directories(share);
    if (c.beside) std::ofstream(bin + "string.json") << "{}";
    if (c.installed) std::ofstream(share + "string.json") << "{}";
    EXPECT_EQ(orv::FindProgramDataFolder(bin), c.want) << c.beside << c.installed;
  }
  fs::remove_all(root);
}

}  // namespace
