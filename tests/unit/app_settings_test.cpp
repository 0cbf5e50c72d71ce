// The settings file: language and units between runs, the remembered e-mail,
// and recovery from a damaged file.
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/app_state.h"
#include "app/settings.h"
#include "app/string_table.h"

namespace {

namespace fs = std::filesystem;

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    gchar* dir = g_dir_make_tmp("orvelle-settings-XXXXXX", nullptr);
    ASSERT_NE(dir, nullptr);
    dir_ = dir;
    g_free(dir);
    // A folder that does not exist yet: the first write must create it.
    path_ = dir_ + "/config/orvelle tessaro/settings.ini";
    orv::SetSettingsPath(path_);
    saved_lang_ = orv::LanguageCode;
    saved_unit_ = orv::State().unit;
    Reset();
  }
  void TearDown() override {
    orv::SetSettingsPath("");
    orv::LanguageCode = saved_lang_;
    orv::State().unit = saved_unit_;
    fs::remove_all(dir_);
  }
  void Reset() {
    orv::LanguageCode = "ENG";
    orv::State().unit = 0;
  }
  void WriteFile(const std::string& text) {
    fs::create_directories(fs::path(path_).parent_path());
    std::ofstream(path_, std::ios::binary) << text;
  }
  std::string ReadFile() {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::string dir_, path_, saved_lang_;
  int saved_unit_ = 0;
};

TEST_F(SettingsFile, RoundTripsLanguageAndUnit) {
  orv::WriteSettings(1, 1);
  Reset();
  orv::ReadSettings();
  EXPECT_EQ(orv::LanguageCode, "CHT");
  EXPECT_EQ(orv::State().unit, 1);

  orv::WriteSettings(0, 0);
  orv::LanguageCode = "CHT";
  orv::State().unit = 1;
  orv::ReadSettings();
  EXPECT_EQ(orv::LanguageCode, "ENG");
  EXPECT_EQ(orv::State().unit, 0);

  struct stat st {};
  ASSERT_EQ(stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "the file names the diver's e-mail";
}

TEST_F(SettingsFile, MissingFileOrValuesLeaveTheDefaults) {
  orv::LanguageCode = "CHT";
  orv::ReadSettings();
  EXPECT_EQ(orv::LanguageCode, "ENG");
  EXPECT_EQ(orv::State().unit, 0);
  EXPECT_FALSE(fs::exists(path_)) << "reading must not create the file";

  // Only a language stored: the unit keeps what it held.
  WriteFile("[Settings]\nlang=1\n");
  orv::State().unit = 1;
  orv::ReadSettings();
  EXPECT_EQ(orv::LanguageCode, "CHT");
  EXPECT_EQ(orv::State().unit, 1);
}

TEST_F(SettingsFile, OnlyLanguageOneSelectsChinese) {
  for (const char* lang : {"2", "0", "-1", "abc", "1.5", ""}) {
    WriteFile(std::string("[Settings]\nlang=") + lang + "\nunit=1\n");
    orv::LanguageCode = "CHT";
    orv::State().unit = 0;
    orv::ReadSettings();
    EXPECT_EQ(orv::LanguageCode, "ENG") << "lang=" << lang;
    EXPECT_EQ(orv::State().unit, 1) << "lang=" << lang;
  }
}

TEST_F(SettingsFile, UnitIsCopiedAsStored) {
  WriteFile("[Settings]\nunit=7\n");
  orv::ReadSettings();
  EXPECT_EQ(orv::State().unit, 7);
}

TEST_F(SettingsFile, CorruptFileGivesDefaultsAndIsReplacedCleanly) {
  for (const std::string& garbage : {std::string("lang=1\nunit=1\n"),  // no group
                                     std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
                                     std::string("[Settings\nlang=1\n"), std::string("[Settings]\nlang=\xFF\xFE\n")}) {
    WriteFile(garbage);
    orv::LanguageCode = "CHT";
    orv::State().unit = 0;
    orv::ReadSettings();
    EXPECT_EQ(orv::LanguageCode, "ENG");
    EXPECT_EQ(orv::State().unit, 0);

    orv::WriteSettings(1, 1);
    const std::string text = ReadFile();
    EXPECT_EQ(text.find("PNG"), std::string::npos);
    EXPECT_EQ(text, "[Settings]\nlang=1\nunit=1\n");
    Reset();
    orv::ReadSettings();
    EXPECT_EQ(orv::LanguageCode, "CHT");
    EXPECT_EQ(orv::State().unit, 1);
  }
}

TEST_F(SettingsFile, WritingKeepsTheOtherValuesOfAValidFile) {
  WriteFile("# kept by hand\n[Settings]\ne=diver@example.com\n[Window]\nwidth=980\n");
  orv::WriteSettings(1, 0);
  orv::RememberEmail("other@example.com");
  orv::WriteSettings(0, 1);
  const std::string text = ReadFile();
  EXPECT_NE(text.find("# kept by hand"), std::string::npos);
  EXPECT_NE(text.find("width=980"), std::string::npos);
  EXPECT_EQ(orv::RememberedEmail(), "other@example.com");
  orv::ReadSettings();
  EXPECT_EQ(orv::LanguageCode, "ENG");
  EXPECT_EQ(orv::State().unit, 1);
}

TEST_F(SettingsFile, RememberedEmailIsLimitedInLength) {
  EXPECT_EQ(orv::RememberedEmail(), "");
  const std::string longest(orv::kMaxRememberedLength, 'a');
  orv::RememberEmail(longest);
  EXPECT_EQ(orv::RememberedEmail(), longest);
  orv::RememberEmail(longest + "a");
  EXPECT_EQ(orv::RememberedEmail(), "");
  // Counted in UTF-16 units: a four-byte character takes two.
  std::string wide(orv::kMaxRememberedLength - 1, 'a');
  orv::RememberEmail(wide + "\xF0\x9F\x90\xA0");
  EXPECT_EQ(orv::RememberedEmail(), "");
}

TEST_F(SettingsFile, TypedEmailCannotAddSettings) {
  const std::string sneaky = "diver@example.com\nlang=1\n[Settings]\nunit=1";
  orv::RememberEmail(sneaky);
  orv::ReadSettings();
  EXPECT_EQ(orv::LanguageCode, "ENG");
  EXPECT_EQ(orv::State().unit, 0);
  EXPECT_EQ(orv::RememberedEmail(), sneaky);
}

TEST(SettingsPath, DefaultsToTheXdgConfigFolder) {
  const std::string path = orv::SettingsPath();
  const std::string tail = "/orvelle tessaro/settings.ini";
  ASSERT_GT(path.size(), tail.size());
  EXPECT_EQ(path.substr(path.size() - tail.size()), tail);
  EXPECT_EQ(path.substr(0, path.size() - tail.size()), g_get_user_config_dir());
  orv::SetSettingsPath("/tmp/elsewhere.ini");
  EXPECT_EQ(orv::SettingsPath(), "/tmp/elsewhere.ini");
  orv::SetSettingsPath("");
  EXPECT_EQ(orv::SettingsPath(), path);
}

}  // namespace

// A hand-edited tile source must never downgrade the map to plain http or
// leave the map without a usable address.
TEST_F(SettingsFile, TileSourceFallsBackToTheDefaultUnlessUsable) {
  const std::string osm = orv::kDefaultTileUrl;
  const struct {
    const char* file;
    std::string url;
    int megabytes;
  } cases[] = {
      {"", osm, 200},
      {"[Settings]\ntile_url=https://tiles.example/{z}/{x}/{y}.png\ntile_cache_mb=50\n",
       "https://tiles.example/{z}/{x}/{y}.png", 50},
      {"[Settings]\ntile_url=http://tiles.example/{z}/{x}/{y}.png\ntile_cache_mb=0\n", osm, 200},
      {"[Settings]\ntile_url=https://tiles.example/{z}/{x}.png\ntile_cache_mb=-5\n", osm, 200},
      {"[Settings]\ntile_url=https://tiles.example/{z}/{x}/{y}.png?a b\ntile_cache_mb=x\n", osm, 200},
  };
  for (const auto& c : cases) {
    WriteFile(c.file);
    EXPECT_EQ(orv::TileUrlTemplate(), c.url) << c.file;
    EXPECT_EQ(orv::TileCacheMegabytes(), c.megabytes) << c.file;
  }
}
