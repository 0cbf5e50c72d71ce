// The page folders the build generates beside the program: a translation must
// never change a page's markup (a stray quote or tag in a text would break the
// ids and classes the handlers look for), and each page says its language.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <vector>

namespace orv {
namespace {

namespace fs = std::filesystem;

const fs::path kBin = ORVELLE_BIN_DIR;

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::set<fs::path> Pages(const fs::path& dir) {
  std::set<fs::path> pages;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) pages.insert(e.path().lexically_relative(dir));
  return pages;
}

// The page's tags, with the values of the attributes that hold texts blanked.
std::vector<std::string> Markup(const std::string& page) {
  static const std::regex kText(
      R"(\b(title|placeholder|lang|aria-label|data-(scuba|free)-(one|many)|data-view|data-edit|data-empty)="[^"]*")");
  static const std::regex kTag(R"(<[^>]*>)");
  std::vector<std::string> tags;
  for (std::sregex_iterator it(page.begin(), page.end(), kTag), end; it != end; ++it)
    tags.push_back(std::regex_replace(it->str(), kText, "$1=\"\""));
  return tags;
}

TEST(PageLanguages, EveryLanguageHasTheSamePagesAndMarkup) {
  const std::pair<const char*, const char*> langs[] = {{"CHT", "zh-Hant-TW"}, {"ENG", "en"}};
  const std::set<fs::path> eng = Pages(kBin / "ENG");
  EXPECT_GE(eng.size(), 15u);
  for (const auto& [lang, tag] : langs) {
    ASSERT_EQ(Pages(kBin / lang), eng) << lang;
    for (const auto& page : eng) {
      std::string text = Slurp(kBin / lang / page);
      const auto tags = Markup(text), eng_tags = Markup(Slurp(kBin / "ENG" / page));
      auto [t, e] = std::mismatch(tags.begin(), tags.end(), eng_tags.begin(), eng_tags.end());
      EXPECT_TRUE(t == tags.end() && e == eng_tags.end())
          << lang << "/" << page.string() << ": " << (t == tags.end() ? "(end)" : *t) << " where ENG has "
          << (e == eng_tags.end() ? "(end)" : *e);
      EXPECT_EQ(text.find("{{"), std::string::npos) << lang << "/" << page.string();
      if (text.find("<html") != std::string::npos) {
        EXPECT_NE(text.find("<html lang=\"" + std::string(tag) + "\">"), std::string::npos)
            << lang << "/" << page.string();
      }
    }
  }
}

}  // namespace
}  // namespace orv
