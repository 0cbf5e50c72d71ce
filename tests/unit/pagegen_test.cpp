// The page generator: a translator's .po file read as msgfmt reads it, every
// placeholder filled or named, and the build step failing on a missing text.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "page_texts.h"
#include "po_file.h"

namespace orv::pagegen {
namespace {

namespace fs = std::filesystem;

const char kPo[] = R"(# comment
msgid ""
msgstr ""
"Content-Type: text/plain; charset=UTF-8\n"

#: main.htm
msgid "Log Book"
msgstr "潛水日誌"

msgctxt "dive value"
msgid "Cylinder"
msgstr "氣瓶"
"容量"

msgid "Say \"hi\"\\now"
msgstr ""
"A \"quoted\"\\"
" line\n"

#, fuzzy
msgid "Guessed"
msgstr "猜測"

msgid "Untranslated"
msgstr ""

#~ msgid "Obsolete"
#~ msgstr "舊"
)";

TEST(PoFile, ReadsEntriesAsMsgfmtDoes) {
  PoFile po = ParsePo(kPo);
  ASSERT_EQ(po.error, "");
  ASSERT_EQ(po.entries.size(), 5u);  // no header, no obsolete entry
  EXPECT_EQ(po.entries.at({"", "Log Book"}).text, "潛水日誌");
  EXPECT_EQ(po.entries.at({"", "Log Book"}).line, 7);
  EXPECT_EQ(po.entries.at({"dive value", "Cylinder"}).text, "氣瓶容量");
  EXPECT_EQ(po.entries.count({"", "Cylinder"}), 0u);
  EXPECT_EQ(po.entries.at({"", "Say \"hi\"\\now"}).text, "A \"quoted\"\\ line\n");
  EXPECT_TRUE(po.entries.at({"", "Guessed"}).fuzzy);
  EXPECT_FALSE(po.entries.at({"", "Log Book"}).fuzzy);
}

TEST(PoFile, NamesTheLineOfABrokenFile) {
  const std::pair<const char*, const char*> cases[] = {
      {"msgid \"a\"\nmsgstr \"1\"\n\nmsgid \"a\"\nmsgstr \"2\"\n", "4: \"a\" is there twice"},
      {"msgid \"a\"\nmsgstr \"open\n", "2: expected a quoted string"},
      {"msgid \"a\"\nmsgstr \"bad \\q escape\"\n", "2: expected a quoted string"},
      {"msgid \"a\"\n\nmsgid \"b\"\nmsgstr \"\"\n", "1: an entry without msgstr"},
      {"\"stray\"\n", "1: a string with no keyword before it"},
      {"msgsrt \"a\"\n", "1: unknown keyword msgsrt"},
  };
  for (const auto& [text, error] : cases) EXPECT_EQ(ParsePo(text).error, error) << text;
}

TEST(PageTexts, FillsEveryPlaceholderOrNamesIt) {
  PoFile po = ParsePo(kPo);
  std::set<TextKey> used;
  Rendered r = RenderPage(
      "<b>{{Log Book}}</b>\n<i title=\"{{dive value|Cylinder}}\">{{Cylinder}}</i>\n"
      "{{Guessed}}{{Untranslated}}",
      po, used);
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.page, "<b>潛水日誌</b>\n<i title=\"氣瓶容量\">Cylinder</i>\nGuessedUntranslated");
  ASSERT_EQ(r.missing.size(), 3u);  // a fuzzy or empty text counts as none, as in gettext
  EXPECT_EQ(r.missing[0].line, 2);
  EXPECT_EQ(r.missing[0].key, "Cylinder");
  EXPECT_EQ(r.missing[1].key, "Guessed");
  EXPECT_EQ(r.missing[2].key, "Untranslated");
  EXPECT_EQ(used.size(), 5u);

  EXPECT_EQ(RenderPage("ok\n{{Log Book\n}}", po, used).error, "2: a {{ without }} on the same line");
}

// The build step itself: the pages it writes and the messages that stop it.
class PageGenerator : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("pagegen_test." + std::to_string(::getpid()));
    fs::create_directories(dir_ / "templates/web_html");
    fs::create_directories(dir_ / "po");
    Write("templates/a.htm", "<html lang=\"{{html lang|en}}\">{{Hello}}</html>\n");
    Write("templates/web_html/b.htm", "<p>{{Hello}}</p>\n");
    Write("po/ENG.po", "msgctxt \"html lang\"\nmsgid \"en\"\nmsgstr \"en\"\n\nmsgid \"Hello\"\nmsgstr \"Hello\"\n");
    Write("po/CHT.po",
          "msgctxt \"html lang\"\nmsgid \"en\"\nmsgstr \"zh-Hant-TW\"\n\nmsgid \"Hello\"\nmsgstr \"你好\"\n"
          "\nmsgid \"Spare\"\nmsgstr \"多餘\"\n");
  }
  void TearDown() override { fs::remove_all(dir_); }
  void Write(const std::string& name, const std::string& text) { std::ofstream(dir_ / name, std::ios::binary) << text; }
  std::string Read(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  int Run() {
    std::string cmd = std::string(ORVELLE_PAGEGEN) + " " + (dir_ / "templates").string() + " " +
                      (dir_ / "po").string() + " " + (dir_ / "out").string() + " 2>" + (dir_ / "err").string();
    return WEXITSTATUS(std::system(cmd.c_str()));
  }
  fs::path dir_;
};

TEST_F(PageGenerator, WritesAFolderPerLanguageAndDropsRemovedPages) {
  Write("out/CHT/old.htm", "a page whose template is gone");
  ASSERT_EQ(Run(), 0) << Read("err");
  EXPECT_EQ(Read("out/ENG/a.htm"), "<html lang=\"en\">Hello</html>\n");
  EXPECT_EQ(Read("out/CHT/a.htm"), "<html lang=\"zh-Hant-TW\">你好</html>\n");
  EXPECT_EQ(Read("out/CHT/web_html/b.htm"), "<p>你好</p>\n");
  EXPECT_FALSE(fs::exists(dir_ / "out/CHT/old.htm"));
  EXPECT_NE(Read("err").find("CHT.po:8: warning: \"Spare\" is used by no page"), std::string::npos) << Read("err");
}

TEST_F(PageGenerator, PagesIncludeTheSharedHeadInTheirOwnLanguage) {
  Write("templates/_head.htm", "<html lang=\"{{html lang|en}}\"><title><!--#arg--></title>\n");
  Write("templates/a.htm", "<!--#include _head.htm {{Hello}} -->\n<p>{{Hello}}</p>\n");
  ASSERT_EQ(Run(), 0) << Read("err");
  EXPECT_EQ(Read("out/CHT/a.htm"), "<html lang=\"zh-Hant-TW\"><title>你好</title>\n<p>你好</p>\n");
  EXPECT_FALSE(fs::exists(dir_ / "out/CHT/_head.htm"));  // a partial is no page

  Write("templates/web_html/b.htm", "<p>{{Hello}}</p>\n<!--#include _foot.htm x -->\n");
  EXPECT_EQ(Run(), 1);
  EXPECT_NE(Read("err").find("web_html/b.htm:2: no partial _foot.htm"), std::string::npos) << Read("err");
}

TEST_F(PageGenerator, AMissingTextStopsTheBuildNamingPageAndText) {
  Write("templates/web_html/b.htm", "<p>{{Hello}}</p>\n<p>{{Goodbye}}</p>\n");
  Write("po/JPN.po", "msgid \"Hello\"\nmsgstr \"こんにちは\"\n");  // a third language is one file
  EXPECT_EQ(Run(), 1);
  std::string err = Read("err");
  for (const char* lang : {"ENG", "CHT", "JPN"})
    EXPECT_NE(err.find("web_html/b.htm:2: error: no " + std::string(lang) + " text for \"Goodbye\""), std::string::npos)
        << err;
  EXPECT_NE(err.find("a.htm:1: error: no JPN text for \"html lang|en\""), std::string::npos) << err;
  EXPECT_FALSE(fs::exists(dir_ / "out"));  // nothing half written
}

}  // namespace
}  // namespace orv::pagegen
