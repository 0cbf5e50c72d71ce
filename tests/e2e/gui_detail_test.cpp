// A dive's detail (values, map, profile) and the log edit dialog in the real
// desktop windows, against a real orvelle-cloudsim over TLS.
#include <gtest/gtest.h>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/page_folder.h"
#include "app/string_table.h"
#include "cloud/http_post.h"
#include "desktop/main_frame.h"
#include "divelog/dive_log.h"
#include "divelog/dive_map_func.h"
#include "divelog/dive_values.h"
#include "e2e/gui_sim_test.h"
#include "e2e/gui_support.h"
#include "logbook/dive_log_read.h"
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
    ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
  }
  void TearDown() override {
    e2e::Observe(nullptr);
    LanguageCode = "ENG";
    State().unit = 0;
    if (server) server->SetFault("patch_divelog", "none");
  }
};

std::string InDetail(gtk::WebKitWindow& page, const std::string& expr) {
  return page.EvalForTest(
      "const f = document.getElementById('framepage1').contentDocument.querySelector('#ie > iframe.child-view');"
      "if (!f || !f.contentWindow) return ''; const w = f.contentWindow, d = f.contentDocument; return String(" +
      expr + ");");
}

// Shows the main window and waits for its detail page; its DiveMapFunc, or
// null when either is missing.
DiveMapFunc* OpenMain(gtk::MainFrame& frame) {
  if (!frame.Create(PagePath("main.htm"))) return nullptr;
  DiveMapFunc* detail = nullptr;
  for (auto& h : frame.handlers())
    if (auto* d = dynamic_cast<DiveMapFunc*>(h.get())) detail = d;
  const bool ready = e2e::WaitFor([&] { return InDetail(frame.page(), "typeof w.setDiveValue") == "function"; }, 10000);
  return ready ? detail : nullptr;
}

TEST_F(GuiDetail, ViewShowsValuesMapAndChartThenEditIsStored) {
  int lang_index = 0;
  for (const std::string lang : {"ENG", "CHT"}) {
    LanguageCode = lang;
    State().page_folder = MakePageFolder(ProgramFolder(), lang);
    gtk::MainFrame frame;
    DiveMapFunc* detail = OpenMain(frame);
    ASSERT_NE(detail, nullptr);
    auto& page = frame.page();

    const std::string id = lang_index++ == 0 ? "d000001" : "d000004";
    // Before any dive the chart's title names no unit (it cannot know the diver's).
    EXPECT_EQ(InDetail(page, "d.querySelector('.ptitle').innerText.includes('(')"), "false");
    ASSERT_TRUE(detail->View(id));
    ASSERT_TRUE(
        e2e::WaitFor([&] { return InDetail(page, "d.getElementById('log_max_depth').textContent") != "--"; }, 5000));
    EXPECT_TRUE(e2e::WaitFor([&] { return InDetail(page, "d.querySelectorAll('.orv-pin').length") != "0"; }, 5000));
    EXPECT_EQ(InDetail(page, "!!d.querySelector('#chart canvas')"), "true")
        << InDetail(page,
                    "(() => { try { w.setDiveChart('0', '{\"time\":[0,10],\"depth\":[0,5]}'); return 'ok'; } catch (e) "
                    "{ return String(e) + ' ' + typeof w.uPlot; } })()");
    EXPECT_NE(InDetail(page, "d.querySelectorAll('.leaflet-coast-pane path').length"),
              "0");  // offline coastline, under the tiles
    EXPECT_EQ(InDetail(page, "d.querySelector('.leaflet-control-attribution').textContent"),
              "\u00a9 OpenStreetMap contributors");
    e2e::WaitFor([] { return false; }, 600);
    EXPECT_EQ(InDetail(page, "d.querySelector('.ptitle').innerText.includes('(m)')"), "true");
    e2e::SaveScreenshot(page, "detail_" + lang);

    // A free dive past one hour, stored in the service and opened like any
    // other, so the values and the chart beside them come from one record:
    // a legend of its own symbols only, whole, under a title on one line.
    const std::string long_id = lang == "ENG" ? "d000008" : "d000009";
    int32_t long_duration = 0;
    {
      HttpPost http;
      Result<DiveLog> log = FetchDiveLog(http, long_id, nullptr);
      ASSERT_TRUE(log);
      const int32_t stretch = 4000 / std::max(1, LogInt(*log, "dive_duration")) + 1;
      for (Json::Value& p : (*log)["dive_profiles"]) {
        long_duration = LogInt(p, "profile_time") * stretch;
        p["profile_time"] = long_duration;
      }
      (*log)["dive_duration"] = long_duration;
      ASSERT_EQ(StoreDiveLog(http, *log).key(), "");
    }
    ASSERT_GT(long_duration, 3600);
    ASSERT_TRUE(detail->View(long_id));
    EXPECT_TRUE(e2e::WaitFor(
        [&] { return InDetail(page, "d.getElementById('log_dive_time').textContent") == DurationText(long_duration); },
        5000));
    EXPECT_EQ(InDetail(page, "d.getElementById('log_type').textContent"), DiveTypeWord(DiveType::Free));
    const std::string legend =
        InDetail(page,
                 "Array.from(d.querySelectorAll('.legend_entry')).filter((e) => !e.hidden)"
                 ".map((e) => e.querySelector('img').getAttribute('src').split('/').pop()).join(' ')");
    EXPECT_EQ(legend.find("freedive_in.png"), 0u) << legend;
    EXPECT_EQ(
        InDetail(page,
                 "(() => { const r = d.createRange(); r.selectNodeContents(d.querySelector('.ptitle').firstChild);"
                 " return r.getClientRects().length; })()"),
        "1");
    EXPECT_EQ(InDetail(page,
                       "(() => { const l = d.querySelector('.legend'), p = d.querySelector('.chart_panel');"
                       " return l.scrollWidth <= l.clientWidth && l.getBoundingClientRect().right <= "
                       "p.getBoundingClientRect().right; })()"),
              "true");
    e2e::SaveScreenshot(page, "detail_free_long_" + lang);

    // Edit: the dialog's map gets its markers once loaded; a new weight is saved.
    std::string saved_markers;
    e2e::Observe([&](gtk::DialogPage& dlg) {
      auto& w = dlg.window();
      e2e::WaitFor(
          [&] {
            saved_markers = w.EvalForTest(
                "const f = document.querySelector('#ie > iframe.child-view');"
                "return f && f.contentDocument ? String(f.contentDocument.querySelectorAll('.orv-pin').length) : '0';");
            return saved_markers != "0";
          },
          8000);
      EXPECT_EQ(
          w.EvalForTest(
              "const f = document.querySelector('#ie > iframe.child-view');"
              "const a = f && f.contentDocument && f.contentDocument.querySelector('.leaflet-control-attribution');"
              "return a ? a.textContent : '';"),
          "\u00a9 OpenStreetMap contributors");
      e2e::TypeInPage(w, "weight", "7.5");
      e2e::SaveScreenshot(w, "log_edit_" + lang);
      e2e::SearchCatalogueInLogEdit(w, "Reef");
      e2e::SaveScreenshot(w, "log_edit_search_" + lang);
      e2e::ClickInPage(w, "rtn_map");
      e2e::ClickInPage(w, "save");
    });
    ASSERT_TRUE(detail->Edit(id));
    EXPECT_NE(saved_markers, "0");
    HttpPost http;
    EXPECT_EQ(FetchDiveLog(http, id, nullptr).value_or(DiveLog())["weight"].asString(), "7.500000");
    EXPECT_TRUE(
        e2e::WaitFor([&] { return InDetail(page, "d.getElementById('log_weight').textContent") == "7.5"; }, 5000));
    gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
  }
}

TEST_F(GuiDetail, RefusedSaveIsToldAndKeptAndAnUntouchedSaveChangesNothing) {
  State().page_folder = MakePageFolder(ProgramFolder(), "ENG");
  gtk::MainFrame frame;
  DiveMapFunc* detail = OpenMain(frame);
  ASSERT_NE(detail, nullptr);
  auto& page = frame.page();
  const std::string id = "d000005";
  auto stored = [&] {
    HttpPost http;
    return DiveLogJsonText(FetchDiveLog(http, id, nullptr).value_or(DiveLog()));
  };
  auto field = [](gtk::DialogPage& dlg, const char* name) {
    return dlg.window().EvalForTest(std::string("return document.getElementById('") + name + "').value;");
  };

  // Imperial: Edit, then Save without touching anything.
  State().unit = 1;
  const std::string before = stored();
  e2e::Observe([&](gtk::DialogPage& dlg) { e2e::ClickInPage(dlg.window(), "save"); });
  ASSERT_TRUE(detail->Edit(id));
  EXPECT_EQ(stored(), before);
  State().unit = 0;

  // The service refuses the save: the detail keeps the stored dive, the
  // failure is told, and the next Edit offers what the diver typed.
  ASSERT_TRUE(detail->View(id));
  ASSERT_TRUE(e2e::WaitFor([&] { return InDetail(page, "d.getElementById('log_weight').textContent") != "--"; }, 5000));
  const std::string shown_weight = InDetail(page, "d.getElementById('log_weight').textContent");
  ASSERT_TRUE(server->SetFault("patch_divelog", "badcode"));
  e2e::Observe([&](gtk::DialogPage& dlg) {
    e2e::TypeInPage(dlg.window(), "weight", "11.5");
    e2e::ClickInPage(dlg.window(), "save");
  });
  ASSERT_TRUE(detail->Edit(id));
  server->SetFault("patch_divelog", "none");
  e2e::WaitFor([] { return false; }, 300);
  EXPECT_EQ(page.EvalForTest("return document.getElementById('message').textContent;"), Tr("LOG_SAVE_FAILED"));
  EXPECT_EQ(InDetail(page, "d.getElementById('log_weight').textContent"), shown_weight);
  EXPECT_EQ(stored(), before);
  e2e::SaveScreenshot(page, "refused_save_ENG");

  std::string offered;
  e2e::Observe([&](gtk::DialogPage& dlg) {
    offered = field(dlg, "weight");
    e2e::SaveScreenshot(dlg.window(), "refused_save_edit_again_ENG");
    e2e::ClickInPage(dlg.window(), "exit");
  });
  ASSERT_TRUE(detail->Edit(id));
  EXPECT_EQ(offered, "11.5");
  gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
}

}  // namespace
}  // namespace orv
