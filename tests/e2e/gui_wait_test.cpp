// A slow or stalled service in the real windows: the windows keep painting,
// input is held off, the busy popup comes up saying what the program waits
// for, and its Cancel ends the request with no failure shown.
#include <gdk/gdk.h>
#include <gtest/gtest.h>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/page_folder.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "cloud/service_config.h"
#include "desktop/busy_popup.h"
#include "desktop/main_frame.h"
#include "e2e/gui_sim_test.h"
#include "seed.h"

namespace orv {
namespace {

class GuiWait : public e2e::GuiSimTest {
 protected:
  void SetUp() override {
    GuiSimTest::SetUp();
    if (IsSkipped()) return;
    server->Use();
    // Only Cancel ends a stalled request here, also on a machine so busy
    // that the popup's first page takes seconds to show; a fault that lets
    // a second request through still ends, just later.
    Service().stall_seconds = 60;
    Service().request_timeout_ms = 45000;
    e2e::FreshEnglishState("gui_wait_settings");
  }
  void TearDown() override {
    e2e::Observe(nullptr);
    if (server) {
      server->SetFault("*", "none");
      server->SetFault("login", "none");
      server->Use();
    }
    SetSettingsPath("");
  }
  static gint64 NowMs() { return g_get_monotonic_time() / 1000; }
  // What the busy popup says, "" when none is shown.
  static std::string PopupText() {
    gtk::WebKitWindow* popup = gtk::BusyPopup::ShownPage();
    return popup ? popup->EvalForTest("return document.getElementById('MsgText').textContent;") : "";
  }
  // Cancel in the popup, clicked in its page as the diver would.
  static bool CancelInPopup() {
    gtk::WebKitWindow* popup = gtk::BusyPopup::ShownPage();
    if (popup) e2e::ClickInPage(*popup, "cancel");
    return popup != nullptr;
  }
};

TEST_F(GuiWait, StalledSignInKeepsTheDialogLiveUntilCancel) {
  ASSERT_TRUE(server->SetFault("login", "stall"));
  gint64 frames_early = -1, frames_late = -1, cancelled_at = 0, ended_at = 0;
  bool busy_cursor = false, overlay_again = true;
  std::string message = "unread", popup_text;
  e2e::Observe(
      [&](gtk::DialogPage& page) {
        auto& w = page.window();
        e2e::TypeInPage(w, "email", sim::kDemoEmail);
        e2e::TypeInPage(w, "pword", sim::kDemoPassword);
        // A clock in the page: it repaints only while the main loop runs. Kept
        // out of sight, so the screenshots show the dialog as the diver sees it.
        w.EvalForTest(
            "const c = document.createElement('div'); document.body.appendChild(c);"
            "c.style.cssText = 'position:fixed;right:0;bottom:0;font-size:1px;opacity:.01';"
            "setInterval(() => { c.textContent = Date.now(); }, 40); return '';");
        const int x = std::stoi(w.EvalForTest(
            "const r = document.getElementById('login').getBoundingClientRect(); return String(Math.round(r.x + 8));"));
        const int y = std::stoi(w.EvalForTest(
            "const r = document.getElementById('login').getBoundingClientRect(); return String(Math.round(r.y + 8));"));
        GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(page.gtk_window()));
        GdkWindow* view_window = gtk_widget_get_window(page.window().widget());
        e2e::After(700, [&] { frames_early = gdk_frame_clock_get_frame_counter(clock); });
        e2e::After(1500, [&] {
          e2e::WaitFor([] { return gtk::BusyPopup::ShownPage() != nullptr; }, 10000);
          frames_late = gdk_frame_clock_get_frame_counter(clock);
          popup_text = PopupText();
          busy_cursor = gdk_window_get_cursor(gtk_widget_get_window(GTK_WIDGET(page.gtk_window()))) != nullptr;
          e2e::SaveWindowScreenshot(page.gtk_window(), "wait_sign_in_busy");
          if (gtk::BusyPopup::ShownPage()) e2e::SaveScreenshot(*gtk::BusyPopup::ShownPage(), "wait_busy_popup_ENG");
          // A real click on "Sign in" again: it must go nowhere.
          gdk_test_simulate_button(view_window, x, y, 1, GdkModifierType(0), GDK_BUTTON_PRESS);
          gdk_test_simulate_button(view_window, x, y, 1, GdkModifierType(0), GDK_BUTTON_RELEASE);
          e2e::WaitFor([] { return false; }, 200);
          cancelled_at = NowMs();
          CancelInPopup();
        });
        e2e::ClickInPage(w, "login");  // returns once the sign-in has ended
        ended_at = NowMs();
        message = w.EvalForTest("return document.getElementById('message').textContent;");
        overlay_again = e2e::WaitFor([] { return gtk::BusyPopup::ShownWindow() != nullptr; }, 1500);
        e2e::SaveScreenshot(w, "wait_sign_in_cancelled");
        e2e::ClickInPage(w, "exit");
      },
      30000);
  EXPECT_EQ(e2e::RunSignInDialog(), 0);
  EXPECT_GT(frames_late, frames_early);
  EXPECT_GE(frames_early, 0);
  EXPECT_EQ(popup_text, Tr("BUSY_SIGNING_IN"));
  EXPECT_TRUE(busy_cursor);
  ASSERT_GT(cancelled_at, 0);
  EXPECT_LT(ended_at - cancelled_at, 1000);
  EXPECT_EQ(message, "");       // the diver cancelled: no failure to tell of
  EXPECT_FALSE(overlay_again);  // the held-off click started no second sign-in
  EXPECT_TRUE(State().token.empty());
  EXPECT_EQ(gtk::BusyPopup::ShownWindow(), nullptr);
}

TEST_F(GuiWait, StallRightAfterSignInStillShowsTheMainWindow) {
  ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
  ASSERT_TRUE(server->SetFault("*", "stall"));
  // Every stalled request is cancelled once the busy state is up; each
  // failure's message is acknowledged as the diver would.
  bool main_visible_while_waiting = false;
  int cancels = 0;
  std::function<void()> cancel_when_busy = [&] {
    if (gtk::BusyPopup::ShownWindow()) {
      if (cancels++ == 0) {
        main_visible_while_waiting = MainWindow && gtk_widget_get_mapped(GTK_WIDGET(MainWindow));
        e2e::WaitFor([] { return false; }, 300);  // the popup paints
        if (MainWindow) e2e::SaveWindowScreenshot(GTK_WINDOW(MainWindow), "wait_main_after_sign_in");
      }
      CancelInPopup();
    }
    if (cancels < 20) e2e::After(300, cancel_when_busy);
  };
  e2e::After(300, cancel_when_busy);
  e2e::Observe([](gtk::DialogPage& page) { e2e::ClickInPage(page.window(), "ok"); });
  gtk::MainFrame frame;
  ASSERT_TRUE(frame.Create(PagePath("main.htm")));
  server->SetFault("*", "none");
  EXPECT_TRUE(main_visible_while_waiting);
  EXPECT_GT(cancels, 0);
  // The totals that never came show a dash, not zeros.
  EXPECT_EQ(frame.page().EvalForTest("return document.getElementById('framepage1').contentDocument"
                                     ".getElementById('scuba_total_dive').textContent;"),
            "\u2014");
  e2e::SaveScreenshot(frame.page(), "wait_main_without_totals");
  gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
  cancels = 100;  // the pending check stops
  e2e::WaitFor([] { return false; }, 400);
}

// Stepping to a month the service never answers, in both languages: the
// popup names the wait, and Cancel puts the screen back as it was: the month
// shown before, no message, no dialog.
TEST_F(GuiWait, CancelledMonthStepLeavesTheCalendarAsItWas) {
  ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
  for (const char* lang : {"ENG", "CHT"}) {
    SCOPED_TRACE(lang);
    LanguageCode = lang;
    State().page_folder = MakePageFolder(ProgramFolder(), lang);
    int dialogs = 0;
    e2e::Observe([&](gtk::DialogPage& page) {
      ++dialogs;
      e2e::ClickInPage(page.window(), "ok");
    });
    gtk::MainFrame frame;
    ASSERT_TRUE(frame.Create(PagePath("main.htm")));
    auto read = [&](const std::string& id, bool in_frame) {
      return frame.page().EvalForTest(
          std::string("return ") + (in_frame ? "document.getElementById('framepage1').contentDocument" : "document") +
          ".getElementById('" + id + "').textContent;");
    };
    const std::string label = read("calendardate", true);
    const std::string first_day = read("date_cell_00", true);
    ASSERT_TRUE(server->SetFault("calendar_month", "stall"));
    std::string popup_text;
    bool cancelled = false;
    e2e::After(400, [&] {
      // Its first showing loads the popup's page, which takes a moment.
      e2e::WaitFor([] { return gtk::BusyPopup::ShownPage() != nullptr; }, 30000);
      popup_text = PopupText();
      if (gtk::BusyPopup::ShownPage())
        e2e::SaveScreenshot(*gtk::BusyPopup::ShownPage(), std::string("wait_busy_popup_month_") + lang);
      e2e::SaveWindowScreenshot(frame.gtk_window(), std::string("wait_month_busy_") + lang);
      cancelled = CancelInPopup();
    });
    e2e::ClickInPage(frame.page(), "nextmon", "framepage1");
    // Deadlines, not delays: a machine busy with other tests takes its time.
    ASSERT_TRUE(e2e::WaitFor([&] { return cancelled && !gtk::BusyPopup::ShownWindow(); }, 60000));
    server->SetFault("calendar_month", "none");
    EXPECT_EQ(popup_text, Tr("BUSY_MONTH"));
    EXPECT_EQ(read("calendardate", true), label);
    EXPECT_EQ(read("date_cell_00", true), first_day);  // the grid under it as well
    EXPECT_EQ(read("message", false), "");
    EXPECT_EQ(dialogs, 0);
    e2e::SaveScreenshot(frame.page(), std::string("wait_month_cancelled_") + lang);
    gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
  }
}

}  // namespace
}  // namespace orv
