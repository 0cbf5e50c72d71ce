// Every window's page fills its window exactly at the desktop's display
// scale. CTest runs this program once per scale (GDK_DPI_SCALE 1, 1.25, 1.5,
// 2 and GDK_SCALE 2, see gui.cmake): the scale is measured as the program
// measures it, each page is opened in both languages, its content size is
// compared with its window and a screenshot is saved for a human look.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/page_folder.h"
#include "app/string_table.h"
#include "desktop/generic_dialogs.h"
#include "desktop/log_edit_dlg.h"
#include "desktop/login_dlg.h"
#include "desktop/main_frame.h"
#include "desktop/setting_dlg.h"
#include "desktop/web_views.h"
#include "e2e/gui_sim_test.h"
#include "seed.h"

namespace orv {
namespace {

// "<GDK_DPI_SCALE>x<GDK_SCALE>", the screenshots' suffix.
std::string ScaleName() {
  const char* dpi = std::getenv("GDK_DPI_SCALE");
  const char* gdk = std::getenv("GDK_SCALE");
  return std::string("dpi") + (dpi ? dpi : "1") + "_gdk" + (gdk ? gdk : "1");
}

struct Fit {
  int scroll_w = 0, scroll_h = 0, inner_w = 0, inner_h = 0, window_w = 0, window_h = 0;
};

// The page's content and viewport in CSS pixels, and its window in GTK's.
Fit Measure(gtk::WebKitWindow& page, GtkWindow* window) {
  Fit f;
  // Fonts and late styles settle before the measure.
  e2e::WaitFor([] { return false; }, 400);
  std::istringstream in(page.EvalForTest(
      "const d = document.documentElement;"
      // The viewport at a scale such as 1.25 is fractional (262/1.25 =
      // 209.6), and scroll sizes are rounded: compare whole pixels up.
      "return [d.scrollWidth, d.scrollHeight, Math.ceil(visualViewport.width), Math.ceil(visualViewport.height)]"
      ".join(' ');"));
  in >> f.scroll_w >> f.scroll_h >> f.inner_w >> f.inner_h;
  e2e::WindowSize(window, f.window_w, f.window_h);
  return f;
}

class GuiScale : public e2e::GuiSimTest {
 protected:
  void SetUp() override {
    GuiSimTest::SetUp();
    if (IsSkipped()) return;
    ScaleX = ScaleY = gtk::FontDpiScale();  // as the program measures it
    State().unit = 0;
    ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
  }
  void TearDown() override {
    e2e::Observe(nullptr);
    LanguageCode = "ENG";
    ScaleX = ScaleY = 1.0f;
  }

  // The page shows its designed logical size (scaled once, not twice), and
  // nothing of it reaches past the window.
  // A window that would pass the screen's work area is fitted into it, its
  // page zoomed down alike.
  void ExpectFits(const Fit& f, int logical_w, int logical_h, const std::string& what) {
    SCOPED_TRACE(what + " at " + ScaleName());
    GdkRectangle area{};
    GdkMonitor* monitor = gdk_display_get_primary_monitor(gdk_display_get_default());
    gdk_monitor_get_workarea(monitor ? monitor : gdk_display_get_monitor(gdk_display_get_default(), 0), &area);
    const double fit = std::min({1.0, static_cast<double>(area.width) / ScaledWidth(logical_w),
                                 static_cast<double>(area.height) / ScaledHeight(logical_h)});
    EXPECT_LE(f.window_w, area.width);
    EXPECT_LE(f.window_h, area.height);
    EXPECT_NEAR(f.window_w, ScaledWidth(logical_w) * fit, 1);
    EXPECT_NEAR(f.window_h, ScaledHeight(logical_h) * fit, 1);
    EXPECT_NEAR(f.inner_w, logical_w, 1);
    EXPECT_NEAR(f.inner_h, logical_h, 1);
    EXPECT_LE(f.scroll_w, f.inner_w);
    EXPECT_LE(f.scroll_h, f.inner_h);
  }
};

TEST_F(GuiScale, EveryPageFillsItsWindowExactly) {
  for (const std::string lang : {"ENG", "CHT"}) {
    LanguageCode = lang;
    State().page_folder = MakePageFolder(ProgramFolder(), lang);
    const std::string suffix = "_" + lang + "_" + ScaleName();

    gtk::MainFrame frame;
    ASSERT_TRUE(frame.Create(PagePath("main.htm")));
    e2e::WaitFor([&] { return frame.page().EvalForTest("return document.readyState;") == "complete"; }, 10000);
    ExpectFits(Measure(frame.page(), frame.gtk_window()), 980, 700, "main.htm");
    e2e::SaveScreenshot(frame.page(), "scale_main" + suffix);
    // Short totals keep their full type at every scale; only a figure that
    // outgrows its column is stepped down.
    const std::string shrunk_totals =
        "const d = document.getElementById('framepage1').contentDocument;"
        "const v = Array.from(d.querySelectorAll('.stat_value')).filter(e => e.textContent !== '\u2014');"
        "return v.length ? v.filter(e => e.style.fontSize).map(e => e.id).join(' ') : 'unfilled';";
    e2e::WaitFor([&] { return frame.page().EvalForTest(shrunk_totals) != "unfilled"; }, 10000);
    e2e::WaitFor([] { return false; }, 300);  // the fitting runs on the next frame
    EXPECT_EQ(frame.page().EvalForTest(shrunk_totals), "");

    LogEditRecord record;
    record.weather = 2;
    std::vector<std::unique_ptr<gtk::DialogPage>> dialogs;
    dialogs.push_back(std::make_unique<gtk::LoginDlg>(nullptr));
    dialogs.push_back(std::make_unique<gtk::SettingDlg>());
    dialogs.push_back(std::make_unique<gtk::LogEditDlg>(record));
    dialogs.push_back(std::make_unique<gtk::MsgDlg>(Tr("HOST_NOT_CONN"), Tr("DATA_ERROR")));
    dialogs.push_back(std::make_unique<gtk::YesNoDlg>(Tr("SURE_SEND_DS")));
    dialogs.push_back(std::make_unique<gtk::AboutDlg>());
    for (auto& dlg : dialogs) {
      e2e::Observe([&](gtk::DialogPage& page) {
        ExpectFits(Measure(page.window(), page.gtk_window()), page.LogicalWidth(), page.LogicalHeight(),
                   page.PageName());
        const std::string name = page.PageName().substr(0, page.PageName().find('.'));
        if (name == "log_edit") {
          // The dialog's map draws its coastline at every scale, not a blank box.
          EXPECT_TRUE(e2e::WaitFor(
              [&] {
                return page.window().EvalForTest(
                           "const f = document.querySelector('#ie > iframe.child-view');"
                           "const d = f && f.contentDocument;"
                           "return d ? String(d.querySelectorAll('.leaflet-coast-pane path').length) : '0';") != "0";
              },
              10000))
              << ScaleName();
        }
        e2e::SaveScreenshot(page.window(), "scale_" + name + suffix);
        page.EndDialog(0);
      });
      EXPECT_EQ(gtk::RunPageDialog(*dlg, frame.gtk_window()), 0) << dlg->PageName();
    }
    gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
  }
}

}  // namespace
}  // namespace orv
