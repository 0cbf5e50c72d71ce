// The data folder for downloaded files follows the XDG documents folder.
#include <glib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/app_state.h"

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

}  // namespace
