// Dive-site files: the exact text written, round trips, and files that are
// odd, broken or hostile.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "sites/ds_file.h"

namespace orv::sites {
namespace {

namespace fs = std::filesystem;

constexpr auto Site = &DiveSite::Make;

class DsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("sites_file_test." + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string WriteText(const std::string& name, const std::string& text) const {
    std::ofstream(Path(name), std::ios::binary) << text;
    return Path(name);
  }
  static std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path dir_;
};

TEST_F(DsFile, WrittenTextHasTheFileForm) {
  SiteLists lists;
  lists[0].push_back(Site(0, "Green Island", 22662000, 121490000));
  lists[0].push_back(Site(0, "Say \"hi\" & <go>", -8409517, 0));
  lists[2].push_back(Site(2, "it's", 1, -1));
  EXPECT_EQ(FormatDsText(lists),
            "<?xml ?>\r\n"
            "<orvelle_dive_site>\r\n"
            "    <scuba>\r\n"
            "        <waypoint name=\"Green Island\" lat=\"22.662000\" lng=\"121.490000\" />\r\n"
            "        <waypoint name='Say \"hi\" &amp; &lt;go&gt;' lat=\"-8.409517\" lng=\"0.000000\" />\r\n"
            "    </scuba>\r\n"
            "    <freedive />\r\n"
            "    <gauge>\r\n"
            "        <waypoint name=\"it's\" lat=\"0.000001\" lng=\"-0.000001\" />\r\n"
            "    </gauge>\r\n"
            "</orvelle_dive_site>\r\n");
  EXPECT_EQ(FormatDsText({}),
            "<?xml ?>\r\n<orvelle_dive_site>\r\n    <scuba />\r\n    <freedive />\r\n    <gauge />\r\n"
            "</orvelle_dive_site>\r\n");
}

TEST_F(DsFile, ExportThenImportGivesTheSameLists) {
  SiteLists lists;
  const std::string awkward[] = {std::string(55, 'F'),
                                 "\xE6\xBD\x9B\xE9\xBB\x9E",
                                 "both ' and \" quotes",
                                 "tab\there",
                                 "line\r\nbreak",
                                 "  spaces  ",
                                 "a&amp;b",
                                 "<![CDATA[x]]>",
                                 "\x01\x1F"};
  int32_t v = 64863008;
  for (const std::string& name : awkward) {
    for (int code = 0; code < kTypeCount; ++code) lists[code].push_back(Site(code, name, v, -v));
    v = v / 3 - 1;
  }
  lists[1].push_back(Site(1, "", INT32_MIN, INT32_MAX));
  const std::string path = Path("round.ds");
  ASSERT_TRUE(WriteDsFile(path, lists));
  auto back = ReadDsFile(path);
  ASSERT_TRUE(back);
  for (int code = 0; code < kTypeCount; ++code) {
    ASSERT_EQ(back->at(code).size(), lists[code].size());
    for (size_t i = 0; i < lists[code].size(); ++i)
      EXPECT_EQ(back->at(code)[i], lists[code][i]) << code << "/" << i << " " << lists[code][i].Name();
  }
  // Nothing but the file itself is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
  // Nor is a FIFO replaced by a plain file.
  ASSERT_EQ(::mkfifo(Path("fifo.ds").c_str(), 0600), 0);
  EXPECT_FALSE(WriteDsFile(Path("fifo.ds"), lists));
  EXPECT_TRUE(fs::is_fifo(Path("fifo.ds")));

  // Three empty lists come back empty and list 0 is shown.
  ASSERT_TRUE(WriteDsFile(path, SiteLists{}));
  DiveSiteLists model;
  model.ReplaceAll(lists);
  ASSERT_TRUE(ImportDsFile(model, path));
  EXPECT_TRUE(model.empty());
}

TEST_F(DsFile, ReadingFollowsTheFirstElementsOnly) {
  std::string w70;
  for (int i = 0; i < 35; ++i) w70 += "\xC3\xA9";  // 70 bytes
  std::string text =
      "<?xml version=\"1.0\"?><whatever_root>"
      "<gauge><waypoint name=\"g\" lat=\"1\" lng=\"2\"/></gauge>"
      "<scuba><other/><waypoint name=\"" +
      w70 +
      "\" lat=\"-8.4095178\" lng=\"1e1\"/>"
      "<waypoint/><waypoint name=\"x\" lat=\"north\" lng=\"\"/>"
      "<group><waypoint name=\"nested\"/></group></scuba>"
      "<scuba><waypoint name=\"second scuba\"/></scuba></whatever_root><after><scuba/></after>";
  auto lists = ParseDsText(text);
  ASSERT_TRUE(lists);
  ASSERT_EQ(lists->at(0).size(), 3u);
  EXPECT_EQ(lists->at(0)[0].Name(), w70.substr(0, 54));  // cut before the split character
  EXPECT_EQ(lists->at(0)[0].latitude, -8409517);
  EXPECT_EQ(lists->at(0)[0].longitude, 10000000);
  EXPECT_EQ(lists->at(0)[1], Site(0, "", 0, 0));  // no attributes at all
  EXPECT_EQ(lists->at(0)[2], Site(0, "x", 0, 0));
  EXPECT_TRUE(lists->at(1).empty());
  ASSERT_EQ(lists->at(2).size(), 1u);
  EXPECT_EQ(lists->at(2)[0], Site(2, "g", 1000000, 2000000));

  std::string many = "<r><freedive>";
  for (int i = 0; i < 80; ++i) many += "<waypoint name=\"" + std::to_string(i) + "\"/>";
  lists = ParseDsText(many + "</freedive></r>");
  ASSERT_TRUE(lists);
  ASSERT_EQ(lists->at(1).size(), 64u);
  EXPECT_EQ(lists->at(1)[63].Name(), "63");
  EXPECT_EQ(lists->at(1)[63].type, 1);
}

TEST_F(DsFile, BrokenFilesChangeNothing) {
  DiveSiteLists model;
  SiteLists kept;
  kept[0].push_back(Site(0, "keep me", 1, 2));
  model.ReplaceAll(kept);

  const std::string deep = std::string(2000, '<');
  std::string nested;
  for (int i = 0; i < 5000; ++i) nested += "<a>";
  const std::pair<std::string, std::string> bad[] = {
      {"empty.ds", ""},
      {"text.ds", "just some text"},
      {"truncated.ds", "<orvelle_dive_site><scuba><waypoint name=\"a\""},
      {"unclosed.ds", "<orvelle_dive_site><scuba><waypoint name=\"a\"/></scuba>"},
      {"decl_only.ds", "<?xml ?>\r\n"},
      {"deep.ds", nested},
      {"binary.ds", std::string("\0\xFF\xFE<\x01", 5)},
      {"angles.ds", deep},
  };
  for (const auto& [name, text] : bad) {
    std::string why;
    EXPECT_FALSE(ImportDsFile(model, WriteText(name, text), &why)) << name;
    EXPECT_FALSE(why.empty()) << name;
    EXPECT_EQ(model.list(0), kept[0]) << name;
  }
  EXPECT_FALSE(ImportDsFile(model, Path("missing.ds")));
  EXPECT_FALSE(ImportDsFile(model, dir_.string()));  // a folder
  // A FIFO with no writer and a device: refused at once, never read.
  ASSERT_EQ(::mkfifo(Path("fifo.ds").c_str(), 0600), 0);
  EXPECT_FALSE(ImportDsFile(model, Path("fifo.ds")));
  EXPECT_FALSE(ImportDsFile(model, "/dev/zero"));
  // Larger than any dive-site file: refused before parsing.
  std::string huge = "<r><scuba>";
  while (huge.size() <= kMaxDsFileBytes) huge += "<waypoint name=\"padding padding padding\"/>";
  EXPECT_FALSE(ImportDsFile(model, WriteText("huge.ds", huge + "</scuba></r>")));
  EXPECT_EQ(model.list(0), kept[0]);
}

TEST_F(DsFile, FailedWriteLeavesNoFileBehind) {
  SiteLists lists;
  lists[0].push_back(Site(0, "a", 1, 2));
  std::string why;
  EXPECT_FALSE(WriteDsFile(Path("no/such/folder/x.ds"), lists, &why));
  EXPECT_FALSE(why.empty());
  // A folder in the way: the rename fails and the temporary file goes.
  fs::create_directory(Path("taken.ds"));
  fs::create_directory(Path("taken.ds/inside"));
  EXPECT_FALSE(WriteDsFile(Path("taken.ds"), lists));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
  // Nor is a FIFO replaced by a plain file.
  ASSERT_EQ(::mkfifo(Path("fifo.ds").c_str(), 0600), 0);
  EXPECT_FALSE(WriteDsFile(Path("fifo.ds"), lists));
  EXPECT_TRUE(fs::is_fifo(Path("fifo.ds")));

  // Overwriting keeps the old file's mode.
  const std::string path = WriteText("old.ds", "old");
  ::chmod(path.c_str(), 0640);
  ASSERT_TRUE(WriteDsFile(path, lists));
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(Slurp(path), FormatDsText(lists));
}

}  // namespace
}  // namespace orv::sites
