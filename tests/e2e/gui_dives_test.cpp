// The Dives tab in the real desktop window, in both languages: the demo
// diver's whole log book saved behind the screens, found by typing part of a
// site's name, sorted by depth, a dive opened with Enter from the list and
// its detail shown on its day; then the statistics drawn.
#include <gtest/gtest.h>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/page_folder.h"
#include "app/program_messages.h"
#include "app/setting_func.h"
#include "app/settings.h"
#include "desktop/main_frame.h"
#include "e2e/gui_sim_test.h"
#include "e2e/gui_support.h"
#include "seed.h"

namespace orv {
namespace {

std::string In(gtk::WebKitWindow& page, const char* frame, const std::string& expr) {
  return page.EvalForTest(std::string("const d = document.getElementById('") + frame +
                          "').contentDocument; const m = d && d.querySelector('#ie > iframe.child-view');"
                          "const w = m && m.contentDocument; return String(" +
                          expr + ");");
}
std::string Dives(gtk::WebKitWindow& page, const std::string& expr) { return In(page, "framepage3", expr); }

class GuiDives : public e2e::GuiSimTest {
 protected:
  void TearDown() override {
    SetSettingsPath("");
    LanguageCode = "ENG";
  }
};

TEST_F(GuiDives, FindSortAndOpenADiveThenSeeTheYearsInBothLanguages) {
  for (const std::string lang : {"ENG", "CHT"}) {
    e2e::FreshState("gui_dives", lang);
    ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
    gtk::MainFrame frame;
    ASSERT_TRUE(frame.Create(PagePath("main.htm")));
    auto& page = frame.page();
    e2e::SavedBookScope book(&page, "gui_dives_" + lang);
    ASSERT_TRUE(book.ready);

    e2e::ClickInPage(page, "page3");
    ASSERT_TRUE(e2e::WaitFor([&] { return Dives(page, "d.querySelectorAll('.grid_row').length") != "0"; }, 5000));
    EXPECT_EQ(Dives(page, "d.getElementById('dives_count').textContent"), "80");
    // Every header and every cell but the site's shows its whole text; the tab has no empty toolbar above it.
    EXPECT_EQ(Dives(page,
                    "[...d.querySelectorAll('[role=columnheader], [role=gridcell]:not(.c_site)')].filter(e => "
                    "e.textContent && (() => {"
                    " const r = d.createRange(); r.selectNodeContents(e); const t = r.getBoundingClientRect(),"
                    " b = e.getBoundingClientRect(); return t.left < b.left - 0.5 || t.right > b.right + 0.5; })()"
                    ").map(e => e.textContent).join(' | ')"),
              "");
    EXPECT_EQ(page.EvalForTest("return getComputedStyle(document.querySelector('.toolbar')).display;"), "none");
    // Newest first: every drawn row's date is no later than the one above.
    EXPECT_EQ(Dives(page,
                    "[...d.querySelectorAll('.grid_row .c_date')].map(e => e.textContent)"
                    ".every((t, i, a) => i === 0 || a[i - 1] >= t)"),
              "true");

    // Part of a site's name, in any case: only those sites remain.
    page.EvalForTest(
        "const d = document.getElementById('framepage3').contentDocument;"
        "const f = d.getElementById('filter_text'); f.value = 'cAvE';"
        "f.dispatchEvent(new Event('input', {bubbles: true})); return '';");
    ASSERT_TRUE(e2e::WaitFor([&] { return Dives(page, "d.getElementById('dives_count').textContent") != "80"; }, 5000));
    const int shown = std::stoi(Dives(page, "d.getElementById('dives_count').textContent"));
    EXPECT_GT(shown, 0);
    EXPECT_EQ(Dives(page,
                    "JSON.parse(d.getElementById('dive_data').textContent)"
                    ".every(r => /cave/i.test(r[3]))"),
              "true");

    // Sorted by depth, deepest first; the header says so.
    e2e::ClickInPage(page, "sort_depth", "framepage3");
    EXPECT_EQ(Dives(page, "d.getElementById('sort_depth').getAttribute('aria-sort')"), "descending");
    const std::string depths = "JSON.parse(d.getElementById('dive_data').textContent).map(r => parseFloat(r[6]))";
    EXPECT_EQ(Dives(page, depths + ".every((v, i, a) => i === 0 || a[i - 1] >= v)"), "true");
    const std::string deepest = Dives(page, "JSON.parse(d.getElementById('dive_data').textContent)[0][6]");
    const std::string day = Dives(page, "JSON.parse(d.getElementById('dive_data').textContent)[0][1]");
    e2e::SaveScreenshot(page, "dives_list_" + lang);

    // The keyboard: into the grid, down to the first dive, Enter opens it.
    page.EvalForTest(
        "const d = document.getElementById('framepage3').contentDocument;"
        "d.getElementById('sort_depth').focus();"
        "for (const key of ['ArrowDown', 'Enter']) d.activeElement.dispatchEvent("
        "new KeyboardEvent('keydown', {key, bubbles: true})); return '';");
    ASSERT_TRUE(e2e::WaitFor(
        [&] {
          return In(page, "framepage1", "w && w.getElementById('log_max_depth').textContent") ==
                 deepest.substr(0, deepest.find(' '));
        },
        10000))
        << deepest;
    EXPECT_EQ(
        page.EvalForTest("return document.getElementById('page1').className;").find("back_gold") != std::string::npos,
        true);
    EXPECT_EQ(In(page, "framepage1", "d.getElementById('calendardate').textContent"), day.substr(0, 7));
    EXPECT_EQ(In(page, "framepage1", "d.querySelector('[aria-selected=\"true\"]') !== null"), "true");
    e2e::SaveScreenshot(page, "dives_opened_" + lang);

    // A professional's lifetime totals stay inside their columns.
    In(page, "framepage1",
       "[['scuba_total_dive', '12345'], ['scuba_total_time', '3640:50'], ['scuba_max_depth', '1234.5'],"
       " ['free_total_dive', '10234'], ['free_total_time', '1250:05']]"
       ".forEach(([id, t]) => { d.getElementById(id).textContent = t; })");
    EXPECT_TRUE(e2e::WaitFor(
        [&] {
          return In(page, "framepage1",
                    "[...d.querySelectorAll('.stat_cols > div')]"
                    ".every(e => e.scrollWidth <= e.clientWidth)") == "true";
        },
        2000));
    e2e::SaveScreenshot(page, "dives_large_totals_" + lang);

    // The statistics follow the same filter, every chart drawn.
    e2e::ClickInPage(page, "page3");
    e2e::ClickInPage(page, "show_stats", "framepage3");
    ASSERT_TRUE(e2e::WaitFor([&] { return Dives(page, "d.querySelectorAll('.chart canvas').length") == "6"; }, 5000));
    EXPECT_EQ(Dives(page,
                    "[...d.querySelectorAll('#stat_years_body tr')]"
                    ".reduce((n, r) => n + [1, 2, 3].reduce((s, c) => s + Number(r.cells[c].dataset.v), 0), 0)"),
              std::to_string(shown));
    // Drawn once, not again on every frame while the statistics show.
    const std::string drawn = Dives(page, "d.getElementById('dives_stats').dataset.drawn");
    e2e::WaitFor([] { return false; }, 300);
    EXPECT_EQ(Dives(page, "d.getElementById('dives_stats').dataset.drawn"), drawn);
    e2e::SaveScreenshot(page, "dives_stats_" + lang);
    if (lang == "ENG") {
      // A language change reloads main.htm: the tab shown again keeps what was typed, and
      // lists what it finds, in the new page.
      LanguageCode = "CHT";
      PostProgramMessage(ProgramMessage{kMsgSettingsChanged, kSettingsLanguage});
      ASSERT_TRUE(e2e::WaitFor([&] { return Dives(page, "d.documentElement.lang") == "zh-Hant-TW"; }, 10000));
      e2e::ClickInPage(page, "page3");
      EXPECT_TRUE(e2e::WaitFor(
          [&] { return Dives(page, "d.getElementById('dives_count').textContent") == std::to_string(shown); }, 5000));
      EXPECT_EQ(Dives(page, "d.getElementById('filter_text').value"), "cAvE");
      EXPECT_NE(Dives(page, "d.querySelectorAll('.grid_row').length"), "0");
    }
    gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
  }
}

}  // namespace
}  // namespace orv
