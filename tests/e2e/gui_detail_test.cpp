// A dive's detail (values, map, profile) and the log edit dialog in the real
// desktop windows, against a real orvelle-cloudsim over TLS.
#include <gtest/gtest.h>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/gtk/main_frame.h"
#include "app/page_folder.h"
#include "app/string_table.h"
#include "cloud/http_post.h"
#include "divelog/dive_map_func.h"
#include "e2e/gui_sim_test.h"
#include "e2e/gui_support.h"
#include "seed.h"

namespace orv {
namespace {

class GuiDetail : public e2e::GuiSimTest {
 protected:
  void SetUp() override {
    GuiSimTest::SetUp();
    if (IsSkipped()) return;
    ScaleX = ScaleY = 1.0f;
    State().unit = 0;
    ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword), "");
  }
  void TearDown() override {
    e2e::Observe(nullptr);
    LanguageCode = "ENG";
  }
};


std::string InDetail(gtk::WebKitWindow& page, const std::string& expr) {
  return page.EvalForTest(
      "const f = document.getElementById('framepage1').contentDocument.querySelector('#ie > iframe.child-view');"
      "if (!f || !f.contentWindow) return ''; const w = f.contentWindow, d = f.contentDocument; return String(" +
      expr + ");");
}

TEST_F(GuiDetail, ViewShowsValuesMapAndChartThenEditIsStored) {
  int lang_index = 0;
  for (const std::string lang : {"ENG", "CHT"}) {
    LanguageCode = lang;
    State().page_folder = MakePageFolder(ProgramFolder(), lang);
    gtk::MainFrame frame;
    ASSERT_TRUE(frame.Create(PagePath("main.htm")));
    auto& page = frame.page();
    DiveMapFunc* detail = nullptr;
    for (auto& h : frame.handlers())
      if (auto* d = dynamic_cast<DiveMapFunc*>(h.get())) detail = d;
    ASSERT_NE(detail, nullptr);
    ASSERT_TRUE(e2e::WaitFor([&] { return InDetail(page, "typeof w.setDiveValue") == "function"; }, 10000));

    const std::string id = lang_index++ == 0 ? "d000001" : "d000004";
    ASSERT_TRUE(detail->View(id));
    ASSERT_TRUE(e2e::WaitFor([&] { return InDetail(page, "d.getElementById('log_max_depth').textContent") != "--"; }, 5000));
    EXPECT_TRUE(e2e::WaitFor([&] { return InDetail(page, "d.querySelectorAll('.orv-pin').length") != "0"; }, 5000));
    EXPECT_EQ(InDetail(page, "!!d.querySelector('#chart canvas')"), "true")
        << InDetail(page, "(() => { try { w.setDiveChart('0', '[[0,0],[10,5]]'); return 'ok'; } catch (e) { return String(e) + ' ' + typeof w.uPlot; } })()");
    EXPECT_NE(InDetail(page, "d.querySelectorAll('.leaflet-coast-pane path').length"), "0");  // offline coastline, under the tiles
    EXPECT_EQ(InDetail(page, "d.querySelector('.leaflet-control-attribution').textContent"),
              "\u00a9 OpenStreetMap contributors");
    e2e::WaitFor([] { return false; }, 600);
    e2e::SaveScreenshot(page, "detail_" + lang);

    // Edit: the dialog's map gets its markers once loaded; a new weight is saved.
    std::string saved_markers;
    e2e::Observe([&](gtk::DialogPage& dlg) {
      auto& w = dlg.window();
      e2e::WaitFor([&] {
        saved_markers = w.EvalForTest(
            "const f = document.querySelector('#ie > iframe.child-view');"
            "return f && f.contentDocument ? String(f.contentDocument.querySelectorAll('.orv-pin').length) : '0';");
        return saved_markers != "0";
      }, 8000);
      EXPECT_EQ(w.EvalForTest("const f = document.querySelector('#ie > iframe.child-view');"
                              "const a = f && f.contentDocument && f.contentDocument.querySelector('.leaflet-control-attribution');"
                              "return a ? a.textContent : '';"),
                "\u00a9 OpenStreetMap contributors");
      e2e::TypeInPage(w, "weight", "7.5");
      e2e::SaveScreenshot(w, "log_edit_" + lang);
      e2e::ClickInPage(w, "edit_ds");
      e2e::TypeInPage(w, "ds_name", "Reef");
      e2e::ClickInPage(w, "search");
      e2e::WaitFor([&] { return w.EvalForTest("return String(document.getElementById('cell_tbody').children.length);") != "0"; }, 5000);
      e2e::SaveScreenshot(w, "log_edit_search_" + lang);
      e2e::ClickInPage(w, "rtn_map");
      e2e::ClickInPage(w, "save");
    });
    ASSERT_TRUE(detail->Edit(id));
    EXPECT_NE(saved_markers, "0");
    HttpPost http;
    EXPECT_EQ(FetchDiveLog(http, id, nullptr).value_or(DiveLog())["weight"].asString(), "7.500000");
    EXPECT_TRUE(e2e::WaitFor([&] { return InDetail(page, "d.getElementById('log_weight').textContent") == "7.5"; }, 5000));
    gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
  }
}

}  // namespace
}  // namespace orv
