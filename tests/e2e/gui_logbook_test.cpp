// Signing in and browsing the log book in the real desktop windows, against
// a real orvelle-cloudsim over TLS.
#include <gtest/gtest.h>
#include <unistd.h>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/page_folder.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "browse/calendar_func.h"
#include "desktop/login_dlg.h"
#include "desktop/main_frame.h"
#include "e2e/gui_sim_test.h"
#include "e2e/gui_support.h"
#include "seed.h"

namespace orv {
namespace {

class GuiLogbook : public e2e::GuiSimTest {
 protected:
  void SetUp() override {
    GuiSimTest::SetUp();
    if (IsSkipped()) return;
    settings_ = ::testing::TempDir() + "/gui_logbook_settings." + std::to_string(::getpid()) + ".ini";
    SetSettingsPath(settings_);
    ScaleX = ScaleY = 1.0f;
  }
  void TearDown() override {
    e2e::Observe(nullptr);
    SetSettingsPath("");
    LanguageCode = "ENG";
  }

  // Signs in through the dialog: a wrong password first, then the right one.
  void SignIn(const std::string& lang) {
    LanguageCode = lang;
    State().page_folder = MakePageFolder(ProgramFolder(), lang);
    std::string first_message;
    e2e::Observe(
        [&](gtk::DialogPage& page) {
          auto& w = page.window();
          e2e::TypeInPage(w, "email", sim::kDemoEmail);
          e2e::TypeInPage(w, "pword", "not the password");
          e2e::ClickInPage(w, "login");
          e2e::WaitFor(
              [&] {
                first_message = w.EvalForTest("return document.getElementById('message').textContent;");
                return !first_message.empty();
              },
              8000);
          e2e::SaveScreenshot(w, "login_" + lang);
          e2e::TypeInPage(w, "pword", sim::kDemoPassword);
          // Enter in the password field signs in, as the diver expects.
          w.EvalForTest(
              "document.getElementById('pword').dispatchEvent("
              "new KeyboardEvent('keydown', {key: 'Enter', bubbles: true})); return '';");
        },
        20000);
    MemoryCredentialStore store;
    gtk::LoginDlg login(&store);
    EXPECT_EQ(gtk::RunPageDialog(login), 1);
    EXPECT_EQ(first_message, Tr("EMAIL_PWD_ERROR"));
    EXPECT_FALSE(State().token.empty());
    EXPECT_EQ(RememberedEmail(), sim::kDemoEmail);
    EXPECT_EQ(store.Lookup(sim::kDemoEmail).value_or(""), sim::kDemoPassword);
  }

  std::string settings_;
};

std::string FrameText(gtk::WebKitWindow& page, const std::string& id) {
  return page.EvalForTest(
      "const d = document.getElementById('framepage1').contentDocument;"
      "const e = d.getElementById("
      "'" +
      id + "'); return e ? e.textContent : '';");
}

TEST_F(GuiLogbook, SignInThenMonthDayListAndTotals) {
  for (const std::string lang : {"ENG", "CHT"}) {
    SignIn(lang);
    gtk::MainFrame frame;
    ASSERT_TRUE(frame.Create(PagePath("main.htm")));
    auto& page = frame.page();
    EXPECT_EQ(FrameText(page, "email"), sim::kDemoEmail);

    CalendarFunc* calendar = nullptr;
    for (auto& h : frame.handlers())
      if (auto* c = dynamic_cast<CalendarFunc*>(h.get())) calendar = c;
    ASSERT_NE(calendar, nullptr);
    ASSERT_EQ(calendar->ShowMonth(2024, 6).key(), "");
    int dive_cell = -1;
    for (size_t i = 0; i < calendar->month().cells.size(); ++i)
      if (calendar->month().cells[i].cls == "date_td_in_dive_day btnctrl" && dive_cell < 0)
        dive_cell = static_cast<int>(i);
    ASSERT_GE(dive_cell, 0);

    // The diver clicks the first day with dives.
    char cell_id[16];
    std::snprintf(cell_id, sizeof cell_id, "date_cell_%02d", dive_cell);
    e2e::ClickInPage(page, cell_id, "framepage1");
    EXPECT_TRUE(e2e::WaitFor(
        [&] {
          return page.EvalForTest(
                     "return String(document.getElementById('framepage1').contentDocument"
                     ".getElementById('cell_tbody').children.length);") != "0";
        },
        8000));
    EXPECT_NE(FrameText(page, "scuba_total_dive"), "--");
    e2e::SaveScreenshot(page, "logbook_" + lang);
    gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
  }
}

// A month the service fails to send still shows its days, and the failure
// reads whole in the message pill, wrapped rather than cut.
TEST_F(GuiLogbook, FailedMonthDrawsItsDaysAndTheWholeMessage) {
  ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
  for (const std::string lang : {"ENG", "CHT"}) {
    SCOPED_TRACE(lang);
    e2e::UseLanguage(lang);
    gtk::MainFrame frame;
    ASSERT_TRUE(frame.Create(PagePath("main.htm")));
    auto& page = frame.page();
    CalendarFunc* calendar = e2e::HandlerOf<CalendarFunc>(frame);
    ASSERT_NE(calendar, nullptr);
    ASSERT_TRUE(server->SetFault("calendar_month", "empty"));
    EXPECT_EQ(calendar->ShowMonth(2024, 6).key(), "HOST_NOT_CONN");
    server->SetFault("calendar_month", "none");
    EXPECT_TRUE(e2e::WaitFor([&] { return FrameText(page, "date_cell_00") == "26"; }, 5000));  // 26 May
    EXPECT_EQ(FrameText(page, "date_cell_41"), "6");                                           // 6 July
    EXPECT_EQ(page.EvalForTest("return document.getElementById('message').textContent;"), Tr("HOST_NOT_CONN"));
    EXPECT_EQ(page.EvalForTest("const m = document.getElementById('message');"
                               "return String(m.scrollWidth <= m.clientWidth && m.scrollHeight <= m.clientHeight);"),
              "true");
    e2e::SaveScreenshot(page, "calendar_failed_" + lang);
    gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
  }
}

TEST_F(GuiLogbook, SettingsSwitchLanguageAndUnits) {
  SignIn("ENG");
  State().unit = 0;
  gtk::MainFrame frame;
  ASSERT_TRUE(frame.Create(PagePath("main.htm")));
  auto& page = frame.page();
  const std::string english_tab = page.EvalForTest("return document.getElementById('page1').textContent.trim();");
  EXPECT_EQ(FrameText(page, "scuba_max_depth_unit"), "m");

  e2e::Observe([&](gtk::DialogPage& dlg) {
    if (dlg.PageName() != "setting.htm") return;
    auto& w = dlg.window();
    e2e::SaveScreenshot(w, "settings_ENG");
    w.EvalForTest(
        "document.getElementById('langauge').value = '1';"
        "document.getElementById('unit_i').checked = true; return '';");
    e2e::ClickInPage(w, "save");
  });
  e2e::ClickInPage(page, "setting");
  // The main page comes back in Chinese with the totals in feet.
  EXPECT_TRUE(e2e::WaitFor(
      [&] {
        return page.EvalForTest("const e = document.getElementById('page1'); return e ? e.textContent.trim() : '';") !=
                   english_tab &&
               FrameText(page, "scuba_max_depth_unit") == "ft";
      },
      15000));
  EXPECT_EQ(LanguageCode, "CHT");
  EXPECT_EQ(State().unit, 1);
  EXPECT_EQ(FrameText(page, "email"), sim::kDemoEmail);
  e2e::SaveScreenshot(page, "after_settings_CHT");
  gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
  State().unit = 0;
}

}  // namespace
}  // namespace orv
