// The log book saved on this computer in the real desktop windows: signed
// in, the diver browses a month, a day and a dive; with the service stopped
// the program is started again, the sign-in dialog offers the saved copy,
// and the main window shows the same month, day and dive from it, under the
// offline band, in both languages.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/page_folder.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "browse/calendar_func.h"
#include "cloud/service_config.h"
#include "desktop/background_sync.h"
#include "desktop/generic_dialogs.h"
#include "desktop/main_frame.h"
#include "desktop/stop_signals.h"
#include "divelog/dive_map_func.h"
#include "e2e/gui_sim_test.h"
#include "e2e/gui_support.h"
#include "logbook/write_through.h"
#include "seed.h"

namespace orv {
namespace {

std::string InFrame(gtk::WebKitWindow& page, const std::string& expr) {
  return page.EvalForTest("const d = document.getElementById('framepage1').contentDocument; return String(" + expr +
                          ");");
}
std::string InDetail(gtk::WebKitWindow& page, const std::string& expr) {
  return page.EvalForTest(
      "const f = document.getElementById('framepage1').contentDocument.querySelector('#ie > iframe.child-view');"
      "if (!f || !f.contentWindow) return ''; const w = f.contentWindow, d = f.contentDocument; return String(" +
      expr + ");");
}

template <typename T>
T* HandlerOf(gtk::MainFrame& frame) {
  for (auto& h : frame.handlers())
    if (auto* found = dynamic_cast<T*>(h.get())) return found;
  return nullptr;
}

class GuiOffline : public e2e::GuiSimTest {
 protected:
  void SetUp() override {
    GuiSimTest::SetUp();
    if (IsSkipped()) return;
    home_ = ::testing::TempDir() + "/gui_offline." + std::to_string(::getpid());
    std::filesystem::remove_all(home_);
    setenv("XDG_DATA_HOME", (home_ + "/data").c_str(), 1);
    SetSettingsPath(home_ + "/settings.ini");
    WriteKeepLogBook(false);  // the screens' own requests fill the copy here
    ScaleX = ScaleY = 1.0f;
  }
  void TearDown() override {
    e2e::Observe(nullptr);
    SetDialogBackend(nullptr);
    CloseSavedCopy();
    SetSettingsPath("");
    LanguageCode = "ENG";
  }

  // The sign-in dialog with the demo account typed in; `act` runs on it
  // after "login" was clicked and answered.
  int RunSignIn(const std::function<void(gtk::WebKitWindow&)>& act) {
    e2e::Observe(
        [&](gtk::DialogPage& dlg) {
          auto& w = dlg.window();
          e2e::TypeInPage(w, "email", sim::kDemoEmail);
          e2e::TypeInPage(w, "pword", sim::kDemoPassword);
          e2e::ClickInPage(w, "login");
          act(w);
        },
        30000);
    return e2e::RunSignInDialog();
  }

  // Shows 2024-06, opens its first dive day and that day's first dive; the
  // texts of the day's first row and of the dive's maximum depth.
  std::pair<std::string, std::string> Browse(gtk::MainFrame& frame) {
    auto& page = frame.page();
    CalendarFunc* calendar = HandlerOf<CalendarFunc>(frame);
    DiveMapFunc* detail = HandlerOf<DiveMapFunc>(frame);
    if (!calendar || !detail) return {};
    e2e::WaitFor([&] { return InDetail(page, "typeof w.setDiveValue") == "function"; }, 10000);
    EXPECT_EQ(calendar->ShowMonth(2024, 6).key(), "");
    int cell = -1;
    for (size_t i = 0; i < calendar->month().cells.size() && cell < 0; ++i)
      if (calendar->month().cells[i].cls == kClassDiveDay) cell = static_cast<int>(i);
    char cell_id[16];
    std::snprintf(cell_id, sizeof cell_id, "date_cell_%02d", cell);
    e2e::ClickInPage(page, cell_id, "framepage1");
    e2e::WaitFor([&] { return InFrame(page, "d.getElementById('cell_tbody').children.length") != "0"; }, 8000);
    const std::string row =
        InFrame(page, "d.getElementById('cell_tbody').children[0].textContent.replace(/\\s+/g, ' ')");
    const std::string id = InFrame(page, "d.getElementById('cell_tbody').querySelector('#view').getAttribute('objid')");
    EXPECT_TRUE(detail->View(id)) << id;
    e2e::WaitFor([&] { return InDetail(page, "d.getElementById('log_max_depth').textContent") != "--"; }, 5000);
    return {row, InDetail(page, "d.getElementById('log_max_depth').textContent")};
  }

  std::string home_;
};

// Runs before the test that stops the service.
TEST_F(GuiOffline, KeepTheLogBookSavesItAllBehindTheScreensAndStopsOnRequest) {
  WriteKeepLogBook(true);
  LanguageCode = "ENG";
  State().page_folder = MakePageFolder(ProgramFolder(), "ENG");
  ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
  ASSERT_EQ(OpenSavedCopyOnline({State().email, State().user_id, State().display_name}).key(), "");
  gtk::MainFrame frame;
  ASSERT_TRUE(frame.Create(PagePath("main.htm")));
  // Stopped at once: it ends within one request and leaves a sound copy.
  gtk::StartBackgroundSync(&frame.page());
  gtk::StopBackgroundSync();
  const int64_t after_stop = ActiveSavedCopy()->DiveCount();
  EXPECT_LT(after_stop, 80);
  // Started again beside the diver's own browsing, it completes.
  gtk::StartBackgroundSync(&frame.page());
  EXPECT_EQ(Browse(frame).second.empty(), false);
  EXPECT_TRUE(e2e::WaitFor([&] { return ActiveSavedCopy()->DiveCount() == 80; }, 30000));
  EXPECT_TRUE(e2e::WaitFor(
      [&] {
        return frame.page().EvalForTest("return String(document.getElementById('logbook_sync').hidden);") == "true";
      },
      5000));
  gtk::StopBackgroundSync();
  gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
}

// The main window closed while the save waits on a record the service holds
// unanswered: the program's end (what main does once its loop returns) comes
// within a second, not when the request gives up, and the copy stays sound.
TEST_F(GuiOffline, ClosingTheWindowDuringAHeldSaveEndsTheProgramWithinASecond) {
  WriteKeepLogBook(true);
  ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
  ASSERT_EQ(OpenSavedCopyOnline({State().email, State().user_id, State().display_name}).key(), "");
  ASSERT_TRUE(server->SetFault("divelog/d000040", "stall"));
  Service().stall_seconds = 60;
  const int before = server->Hits("divelog");
  gtk::MainFrame frame;
  ASSERT_TRUE(frame.Create(PagePath("main.htm")));
  bool closed = false;
  g_signal_connect(frame.gtk_window(), "destroy",
                   G_CALLBACK(+[](GtkWidget*, gpointer flag) { *static_cast<bool*>(flag) = true; }), &closed);
  gtk::StopOperationOnClose(frame.gtk_window());
  gtk::StartBackgroundSync(&frame.page());
  // Past the held record, then long enough for the walk to wait on it alone.
  EXPECT_TRUE(e2e::WaitFor([&] { return server->Hits("divelog") - before >= 40; }, 30000));
  e2e::WaitFor([] { return false; }, 500);
  const auto start = std::chrono::steady_clock::now();
  gtk_window_close(frame.gtk_window());
  EXPECT_TRUE(e2e::WaitFor([&] { return closed; }, 1000));
  gtk::StopBackgroundSync();
  CloseSavedCopy();
  const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  server->Use();
  server->SetFault("divelog/d000040", "none");
  EXPECT_LT(took, 1.0);
  ASSERT_EQ(OpenSavedCopyOnline({State().email, State().user_id, State().display_name}).key(), "");
  EXPECT_GT(ActiveSavedCopy()->DiveCount(), 0);
  EXPECT_LT(ActiveSavedCopy()->DiveCount(), 80);
}

TEST_F(GuiOffline, BrowseOnlineThenOpenTheSavedCopyWithTheServiceStopped) {
  LanguageCode = "ENG";
  State().page_folder = MakePageFolder(ProgramFolder(), "ENG");
  ASSERT_EQ(RunSignIn([](gtk::WebKitWindow&) {}), 1);
  ASSERT_EQ(OpenSavedCopyOnline({State().email, State().user_id, State().display_name}).key(), "");
  std::pair<std::string, std::string> online;
  {
    gtk::MainFrame frame;
    ASSERT_TRUE(frame.Create(PagePath("main.htm")));
    online = Browse(frame);
    ASSERT_NE(online.second, "--");
    EXPECT_EQ(frame.page().EvalForTest("return String(document.getElementById('offline_banner').hidden);"), "true");
    gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
  }
  CloseSavedCopy();
  server->Stop();

  for (const std::string lang : {"ENG", "CHT"}) {
    SCOPED_TRACE(lang);
    LanguageCode = lang;
    State().page_folder = MakePageFolder(ProgramFolder(), lang);
    State().token.clear();
    std::string message;
    EXPECT_EQ(
        RunSignIn([&](gtk::WebKitWindow& w) {
          // The service is gone: the dialog says so and offers the copy.
          e2e::WaitFor(
              [&] { return w.EvalForTest("return String(document.getElementById('open_saved').hidden);") == "false"; },
              10000);
          message = w.EvalForTest("return document.getElementById('message').textContent;");
          e2e::SaveScreenshot(w, "offline_login_" + lang);
          e2e::ClickInPage(w, "open_saved");
        }),
        1);
    EXPECT_TRUE(message == Tr("NO_INTERNET") || message == Tr("HOST_NOT_CONN")) << message;
    ASSERT_TRUE(ReadingSavedCopy());
    EXPECT_EQ(State().user_id, sim::kDemoUserId);

    gtk::MainFrame frame;
    ASSERT_TRUE(frame.Create(PagePath("main.htm")));
    auto& page = frame.page();
    const std::pair<std::string, std::string> offline = Browse(frame);
    EXPECT_EQ(offline.second, online.second);
    if (lang == "ENG") {
      EXPECT_EQ(offline.first, online.first);
    }
    EXPECT_EQ(page.EvalForTest("return String(document.getElementById('offline_banner').hidden);"), "false");
    EXPECT_NE(page.EvalForTest("return document.getElementById('offline_date').textContent;"), "");
    EXPECT_NE(InFrame(page, "d.getElementById('scuba_total_dive').textContent"), "--");
    // The dive's chart and map come from the saved record; the map's
    // coastline needs no network.
    EXPECT_TRUE(e2e::WaitFor([&] { return InDetail(page, "!!d.querySelector('#chart canvas')") == "true"; }, 5000));
    EXPECT_TRUE(e2e::WaitFor(
        [&] { return InDetail(page, "d.querySelectorAll('.leaflet-coast-pane path').length") != "0"; }, 5000));
    e2e::WaitFor([] { return false; }, 600);  // let the chart and map paint for the picture
    // A month never browsed says it is not saved, never looks empty.
    CalendarFunc* calendar = HandlerOf<CalendarFunc>(frame);
    EXPECT_EQ(calendar->ShowMonth(2024, 5).key(), "NOT_SAVED_MONTH");
    EXPECT_EQ(page.EvalForTest("return document.getElementById('message').textContent;"), Tr("NOT_SAVED_MONTH"));
    e2e::SaveScreenshot(page, "offline_main_" + lang);
    // What needs the service says so at once, and nothing starts.
    gtk::GtkDialogs dialogs;
    SetDialogBackend(&dialogs);
    std::string refusal;
    e2e::Observe([&](gtk::DialogPage& dlg) {
      if (dlg.PageName() != "msg.htm") return;
      refusal = dlg.window().EvalForTest("return document.getElementById('MsgText1').textContent;");
      e2e::ClickInPage(dlg.window(), "ok");
    });
    e2e::ClickInPage(page, "upload");
    EXPECT_TRUE(e2e::WaitFor([&] { return !refusal.empty(); }, 8000));
    EXPECT_EQ(refusal, Tr("NEEDS_SERVICE"));
    e2e::Observe(nullptr);
    SetDialogBackend(nullptr);
    gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
    CloseSavedCopy();
  }
}

}  // namespace
}  // namespace orv
