// The diver's files: what a write may replace and what a read may open, for
// every kind of thing a path can name.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "app/safe_file.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

class SafeFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orvelle-safe-file-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    fs::create_directory(dir_ / "other");
    Put("old.txt", "old");
    Put("other/real.txt", "real");
    fs::create_symlink("other/real.txt", dir_ / "link");
    fs::create_symlink("link", dir_ / "link_to_link");
    fs::create_symlink(dir_ / "other/new.txt", dir_ / "dangling");
    fs::create_symlink("loop_b", dir_ / "loop_a");
    fs::create_symlink("loop_a", dir_ / "loop_b");
    fs::create_symlink("/dev/null", dir_ / "to_device");
    fs::create_directory(dir_ / "folder");
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
    fs::create_symlink("fifo", dir_ / "to_fifo");
    socket_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", Path("socket").c_str());
    ASSERT_EQ(::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    before_ = Listing();
  }
  void TearDown() override {
    ::close(socket_);
    fs::remove_all(dir_);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Put(const std::string& name, const std::string& text) { std::ofstream(Path(name)) << text; }
  std::string Slurp(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Every name under the folder with its kind, links not followed.
  std::set<std::string> Listing() const {
    std::set<std::string> names;
    for (const char* folder : {"", "other", "folder"})
      for (const auto& e : fs::directory_iterator(dir_ / folder))
        names.insert(e.path().lexically_relative(dir_).string() + ":" +
                     std::to_string(static_cast<int>(e.symlink_status().type())));
    return names;
  }

  fs::path dir_;
  int socket_ = -1;
  std::set<std::string> before_;
};

TEST_F(SafeFile, WriteReplacesOnlyRegularFilesAndKeepsLinks) {
  const struct {
    const char* path;
    const char* changed;  // the file that gets the bytes; null: refused
  } cases[] = {
      {"new.txt", "new.txt"},
      {"old.txt", "old.txt"},
      {"link", "other/real.txt"},  // the link stays, its file is replaced
      {"link_to_link", "other/real.txt"},
      {"dangling", "other/new.txt"},  // created where the link leads
      {"folder", nullptr},
      {"fifo", nullptr},
      {"to_fifo", nullptr},
      {"socket", nullptr},
      {"to_device", nullptr},
      {"loop_a", nullptr},
      {"no/such/folder/x.txt", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    std::set<std::string> was = Listing();
    std::string error;
    const bool ok = ReplaceFile(Path(c.path), "fresh", &error);
    EXPECT_EQ(ok, c.changed != nullptr) << error;
    if (c.changed) {
      EXPECT_EQ(Slurp(c.changed), "fresh");
      // No temporary left behind, and no name changed its kind (a link stays
      // a link); only a new file adds a name.
      const std::string added = std::string(c.changed) + ":" + std::to_string(static_cast<int>(fs::file_type::regular));
      std::set<std::string> now = Listing();
      now.erase(added);
      was.erase(added);
      EXPECT_EQ(now, was);
    } else {
      EXPECT_NE(error.find(Path(c.path)), std::string::npos) << error;
      EXPECT_EQ(Listing(), was);
    }
    Put("other/real.txt", "real");
  }
  EXPECT_EQ(Slurp("old.txt"), "fresh");
  EXPECT_TRUE(fs::is_fifo(Path("fifo")));
}

TEST_F(SafeFile, UncommittedTemporaryIsRemovedAndTargetKept) {
  std::string temp;
  {
    ReplacingFile file(Path("link"), ".part");
    ASSERT_TRUE(file.ok()) << file.error();
    temp = file.temp_path();
    // Beside the file the link leads to, under the asked-for suffix.
    EXPECT_EQ(fs::path(temp).parent_path(), dir_ / "other");
    EXPECT_EQ(fs::path(temp).extension(), ".part");
    EXPECT_TRUE(file.Write("half", 4));
  }
  EXPECT_FALSE(fs::exists(temp));
  EXPECT_EQ(Slurp("other/real.txt"), "real");
  EXPECT_EQ(Listing(), before_);
}

TEST_F(SafeFile, ReadOpensOnlyRegularFiles) {
  const struct {
    const char* path;
    const char* text;  // null: refused
  } cases[] = {
      {"old.txt", "old"},  {"link_to_link", "real"}, {"fifo", nullptr},   {"to_fifo", nullptr},
      {"socket", nullptr}, {"to_device", nullptr},   {"folder", nullptr}, {"missing", nullptr},
  };
  for (const auto& c : cases) {
    std::string error;
    // A FIFO without a writer would block an open for reading for ever.
    const auto text = ReadRegularFile(Path(c.path), 1024, &error);
    EXPECT_EQ(text.has_value(), c.text != nullptr) << c.path;
    if (c.text && text) {
      EXPECT_EQ(*text, c.text) << c.path;
    } else if (!c.text) {
      EXPECT_FALSE(error.empty()) << c.path;
    }
  }
  EXPECT_FALSE(ReadRegularFile("/dev/zero", 1 << 20));
  EXPECT_FALSE(ReadRegularFile(Path("old.txt"), 2));  // larger than allowed
}

}  // namespace
}  // namespace orv
