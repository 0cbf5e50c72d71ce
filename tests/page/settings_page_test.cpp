// The settings dialog's handler on the real setting.htm, and the refresh of
// the main page that follows it, on the headless engine.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/app_state.h"
#include "app/headless/headless_engine.h"
#include "app/page_folder.h"
#include "app/setting_func.h"
#include "app/settings.h"
#include "app/settings_refresh.h"
#include "app/string_table.h"

namespace orv {
namespace {

class SettingsPage : public ::testing::Test {
 protected:
  void SetUp() override {
    // CTest runs each case as its own process, side by side: one file each.
    path_ = ::testing::TempDir() + "/settings_page_test." + std::to_string(::getpid()) + ".ini";
    std::remove(path_.c_str());
    SetSettingsPath(path_);
    LanguageCode = "ENG";
    State().unit = 0;
    State().page_folder = MakePageFolder(ProgramFolder(), "ENG");
  }
  void TearDown() override {
    SetSettingsPath("");
    LanguageCode = "ENG";
    State().unit = 0;
  }

  // Opens setting.htm with a fresh handler as the dialog does.
  void Open() {
    func_ = std::make_unique<SettingFunc>([this](SettingsResult r) { result_ = r; });
    ASSERT_TRUE(page_.LoadFile(PagePath("setting.htm")));
    sink_ = std::make_unique<Sink>(*func_);
    page_.SetEventSink(sink_.get());
    func_->attach(&page_);
  }
  std::string Stored() {
    auto bytes = ReadWholeFile(path_);
    return bytes ? *bytes : std::string();
  }

  struct Sink : EventSink {
    explicit Sink(SettingFunc& f) : func(f) {}
    void OnPageEvent(const ElementRef& e, const PageEvent& ev) override { func.on_event(e, ev); }
    SettingFunc& func;
  };

  std::string path_;
  HeadlessWindow page_;
  std::unique_ptr<SettingFunc> func_;
  std::unique_ptr<Sink> sink_;
  SettingsResult result_ = -99;
};

TEST_F(SettingsPage, ShowsTheCurrentChoice) {
  LanguageCode = "CHT";
  State().unit = 1;
  Open();
  EXPECT_EQ(page_.FindById("langauge").Value(), "1");
  EXPECT_EQ(page_.FindById("unit_i").Value(), "1");
  EXPECT_EQ(page_.FindById("unit_m").Value(), "");
}

TEST_F(SettingsPage, ExitAndUnchangedSaveWriteNothing) {
  Open();
  page_.FindById("langauge").SetValue("1");
  page_.Click("exit");
  EXPECT_EQ(result_, kSettingsUnchanged);
  EXPECT_EQ(LanguageCode, "ENG");

  Open();
  page_.Click("save");
  EXPECT_EQ(result_, kSettingsUnchanged);
  EXPECT_EQ(Stored(), "");
}

TEST_F(SettingsPage, StoredLanguageTwoCountsAsEnglish) {
  WriteSettings(2, 0);
  ReadSettings();
  const std::string before = Stored();
  Open();
  EXPECT_EQ(page_.FindById("langauge").Value(), "0");
  page_.Click("save");
  EXPECT_EQ(result_, kSettingsUnchanged);
  EXPECT_EQ(Stored(), before);
}

TEST_F(SettingsPage, ChangesAreStoredAndReported) {
  Open();
  page_.FindById("langauge").SetValue("1");
  page_.Click("save");
  EXPECT_EQ(result_, kSettingsLanguage);
  EXPECT_EQ(LanguageCode, "CHT");

  LanguageCode = "ENG";
  Open();
  page_.FindById("langauge").SetValue("1");
  page_.FindById("unit_i").SetValue("1");  // picking imperial unpicks metric
  EXPECT_EQ(page_.FindById("unit_m").Value(), "");
  page_.Click("save");
  EXPECT_EQ(result_, kSettingsLanguage + kSettingsUnit);
  EXPECT_EQ(State().unit, 1);

  // What was written is what the next start reads.
  LanguageCode = "ENG";
  State().unit = 0;
  ReadSettings();
  EXPECT_EQ(LanguageCode, "CHT");
  EXPECT_EQ(State().unit, 1);

  Open();
  page_.FindById("unit_m").SetValue("0");
  page_.Click("save");
  EXPECT_EQ(result_, kSettingsUnit);
  EXPECT_EQ(State().unit, 0);
}

TEST_F(SettingsPage, KeepTheLogBookIsOnUntilTurnedOffAndNeedsNoRefresh) {
  Open();
  EXPECT_EQ(page_.FindById("keep_logbook").Value(), "true");
  for (const bool keep : {false, true}) {
    page_.FindById("keep_logbook").SetValue(keep ? "true" : "false");
    page_.Click("save");
    EXPECT_EQ(result_, kSettingsUnchanged);
    EXPECT_EQ(KeepLogBook(), keep);
    Open();
    EXPECT_EQ(page_.FindById("keep_logbook").Value(), keep ? "true" : "false");
  }
}

class SettingsRefresh : public SettingsPage {
 protected:
  void SetUp() override {
    SettingsPage::SetUp();
    ASSERT_TRUE(main_.LoadFile(PagePath("main.htm")));
    hooks_.redraw_statistics = [this] { calls_ += "redraw "; };
    hooks_.reload_statistics = [this] { calls_ += "reload "; };
    hooks_.restart_calendar = [this] { calls_ += "calendar "; };
    hooks_.fill_account = [this] { calls_ += "account "; };
  }
  HeadlessWindow main_;
  RefreshHooks hooks_;
  std::string calls_;
};

TEST_F(SettingsRefresh, UnitsOnlyRedrawWithoutReloading) {
  main_.FindInFrame("framepage1", "cell_tbody").AppendHtml("<tr><td>old row</td></tr>");
  main_.FindById("page2").SetAttr("class", "marker");
  RefreshAfterSettings(main_, kSettingsUnit, hooks_);
  EXPECT_EQ(calls_, "redraw ");
  EXPECT_EQ(main_.ChildCount(main_.FindInFrame("framepage1", "cell_tbody")), 0);
  EXPECT_EQ(main_.FindById("page2").Attr("class"), "marker");  // same page, not reloaded
}

TEST_F(SettingsRefresh, LanguageReloadsTheMainPageInTheNewLanguage) {
  const std::string english = main_.TextOf(main_.FindById("page1"));
  for (SettingsResult r : {kSettingsLanguage, kSettingsLanguage + kSettingsUnit, kSettingsNotShown}) {
    calls_.clear();
    LanguageCode = r == kSettingsNotShown ? "ENG" : "CHT";
    RefreshAfterSettings(main_, r, hooks_);
    EXPECT_EQ(calls_, "reload calendar account ");
    EXPECT_EQ(State().page_folder, MakePageFolder(ProgramFolder(), LanguageCode));
    const std::string shown = main_.TextOf(main_.FindById("page1"));
    if (LanguageCode == "CHT")
      EXPECT_NE(shown, english);
    else
      EXPECT_EQ(shown, english);
  }
}

}  // namespace
}  // namespace orv
