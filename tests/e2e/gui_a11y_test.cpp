// Accessibility of the real windows in both languages: axe-core inside the
// program's own WebKit views, on every page in its filled states (a day
// listed, a dive open, the dive sites with a site and search results, each
// dialog open), failing on critical and serious findings; and the tree a
// screen reader reads over AT-SPI: window names and the dive's texts.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include <unistd.h>

#include <json/json.h>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/page_folder.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "browse/calendar_func.h"
#include "desktop/generic_dialogs.h"
#include "desktop/main_frame.h"
#include "desktop/progress_dialog.h"
#include "divelog/dive_map_func.h"
#include "e2e/gui_sim_test.h"
#include "e2e/gui_support.h"
#include "seed.h"

namespace orv {
namespace {

std::string AxeSource() {
  std::ifstream in(ORVELLE_AXE_JS);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Quote(const std::string& s) {
  Json::StreamWriterBuilder b;
  b["indentation"] = "";
  return Json::writeString(b, Json::Value(s));
}

// Runs axe-core in the view's document and in every shown same-origin frame
// below it (each frame on its own, as the diver meets it). The first line
// counts the documents checked, then one line per critical or serious
// finding: "page rule target".
std::string AxeFindings(gtk::WebKitWindow& view) {
  static const std::string source = Quote(AxeSource());
  return view.EvalForTest("const src = " + source +
                          ";"
                          "const wins = []; const walk = (w) => { wins.push(w);"
                          "  for (const f of w.document.querySelectorAll('iframe'))"
                          "    if (f.contentDocument && f.getClientRects().length) walk(f.contentWindow); };"
                          "walk(window); const out = ['checked ' + wins.length];"
                          "for (const w of wins) {"
                          "  if (!w.axe) w.eval(src);"
                          "  const r = await w.axe.run(w.document, {iframes: false, resultTypes: ['violations']});"
                          "  for (const v of r.violations) if (v.impact === 'critical' || v.impact === 'serious')"
                          "    for (const n of v.nodes) out.push(w.location.pathname.split('/').pop() + ' ' + v.id + ' "
                          "' + n.target.join(' '));"
                          "}"
                          "return out.join('\\n');");
}

// The AT-SPI tree of this process as a screen reader sees it, read by
// atspi_tree.py while the main loop answers its questions: "window\tname"
// and "text\t..." lines.
std::string ScreenReaderView() {
  const std::string pid = std::to_string(::getpid());
  const char* argv[] = {"/usr/bin/python3", ORVELLE_ATSPI_PY, pid.c_str(), nullptr};
  GSubprocess* child = g_subprocess_newv(argv, G_SUBPROCESS_FLAGS_STDOUT_PIPE, nullptr);
  if (!child) return "";
  struct Out {
    bool done = false;
    std::string text;
  } out;
  g_subprocess_communicate_utf8_async(
      child, nullptr, nullptr,
      [](GObject* source, GAsyncResult* res, gpointer data) {
        auto* o = static_cast<Out*>(data);
        char* text = nullptr;
        if (g_subprocess_communicate_utf8_finish(G_SUBPROCESS(source), res, &text, nullptr, nullptr) && text)
          o->text = text;
        g_free(text);
        o->done = true;
      },
      &out);
  e2e::WaitFor([&] { return out.done; }, 60000);
  if (!out.done) g_subprocess_force_exit(child);
  e2e::WaitFor([&] { return out.done; }, 5000);
  g_object_unref(child);
  return out.text;
}

class GuiA11y : public e2e::GuiSimDialogsTest {
 protected:
  void TearDown() override {
    GuiSimDialogsTest::TearDown();
    SetProgressRunner(nullptr);
  }
  // Checks `view` in the state named `state`; findings collect per language.
  void Check(gtk::WebKitWindow& view, const std::string& state, int documents = 1) {
    const std::string found = AxeFindings(view);
    // A script that failed would report nothing at all.
    const std::string head = "checked " + std::to_string(documents);
    if (found != head) findings_ += "[" + LanguageCode + " " + state + "] " + found + "\n";
    ++checks_;
    e2e::SaveScreenshot(view, "a11y_" + state + "_" + LanguageCode);
  }
  std::string findings_;
  int checks_ = 0;  // a state never reached is a state never checked
};

std::string InFrame(gtk::WebKitWindow& page, const char* frame, const std::string& expr) {
  return page.EvalForTest(std::string("const d = document.getElementById('") + frame +
                          "').contentDocument; const f = d.querySelector('#ie > iframe.child-view');"
                          "const m = f && f.contentDocument; return String(" +
                          expr + ");");
}

// The dive the first row of the day list stands for.
std::string OpenDiveId(gtk::WebKitWindow& page) {
  return InFrame(page, "framepage1", "d.getElementById('view').getAttribute('objid')");
}

// Shows the main window with the first day of June 2024 that has dives
// listed and its first dive open; the dive's id, empty when any step failed.
std::string OpenFirstDive(gtk::MainFrame& frame, DiveMapFunc*& detail) {
  if (!frame.Create(PagePath("main.htm"))) return "";
  auto& page = frame.page();
  CalendarFunc* calendar = e2e::HandlerOf<CalendarFunc>(frame);
  detail = e2e::HandlerOf<DiveMapFunc>(frame);
  if (!calendar || !detail || calendar->ShowMonth(2024, 6)) return "";
  int day = 0;
  while (day < kCalendarCells && calendar->month().cells[day].cls != kClassDiveDay) ++day;
  char cell[16];
  std::snprintf(cell, sizeof cell, "date_cell_%02d", day);
  e2e::ClickInPage(page, cell, "framepage1");
  if (!e2e::WaitFor(
          [&] { return InFrame(page, "framepage1", "d.getElementById('cell_tbody').children.length") != "0"; }, 8000))
    return "";
  const std::string id = OpenDiveId(page);
  if (!detail->View(id)) return "";
  const bool shown = e2e::WaitFor(
      [&] { return InFrame(page, "framepage1", "m && m.getElementById('log_max_depth').textContent") != "--"; }, 8000);
  return shown ? id : "";
}

TEST_F(GuiA11y, AxeFindsNothingSeriousOnAnyPageInEitherLanguage) {
  ASSERT_FALSE(AxeSource().empty()) << ORVELLE_AXE_JS;
  gtk::InstallProgressRunner();
  for (const std::string lang : {"ENG", "CHT"}) {
    e2e::FreshState("gui_a11y", lang);

    // The sign-in dialog with a complaint shown.
    e2e::Observe([&](gtk::DialogPage& dlg) {
      auto& w = dlg.window();
      e2e::TypeInPage(w, "email", sim::kDemoEmail);
      e2e::ClickInPage(w, "login");
      e2e::WaitFor([&] { return w.EvalForTest("return document.getElementById('message').textContent;") != ""; }, 8000);
      Check(w, "login");
      e2e::ClickInPage(w, "exit");
    });
    e2e::RunSignInDialog();
    ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");

    gtk::MainFrame frame;
    DiveMapFunc* detail = nullptr;
    const std::string id = OpenFirstDive(frame, detail);
    ASSERT_FALSE(id.empty());
    auto& page = frame.page();
    Check(page, "logbook", 3);

    // Each dialog, filled, then closed the ordinary way.
    const struct {
      const char* opener;  // clicked in the main page
      const char* state;
      const char* close;
    } dialogs[] = {{"about", "about", "ok"}, {"setting", "settings", "exit"}, {"export_logbook", "export", "cancel"}};
    for (const auto& d : dialogs) {
      e2e::Observe([&](gtk::DialogPage& dlg) {
        Check(dlg.window(), d.state);
        e2e::ClickInPage(dlg.window(), d.close);
      });
      e2e::ClickInPage(page, d.opener);
      e2e::WaitFor([] { return false; }, 300);
    }
    e2e::Observe([&](gtk::DialogPage& dlg) {
      auto& w = dlg.window();
      e2e::WaitFor(
          [&] {
            return w.EvalForTest(
                       "const f = document.querySelector('#ie > iframe.child-view');"
                       "return String(!!(f && f.contentDocument && f.contentDocument.querySelector('.orv-pin')));") ==
                   "true";
          },
          8000);
      Check(w, "log_edit", 2);
      e2e::SearchCatalogueInLogEdit(w, "Reef");
      Check(w, "log_edit_search");
      e2e::ClickInPage(w, "exit");
    });
    detail->Edit(id);
    e2e::Observe([&](gtk::DialogPage& dlg) {
      Check(dlg.window(), dlg.PageName() == "msg.htm" ? "message" : "confirm");
      e2e::ClickInPage(dlg.window(), "ok");
    });
    gtk::MsgDlg message(Tr("HOST_NOT_CONN"), "");
    gtk::RunPageDialog(message);
    gtk::YesNoDlg confirm(Tr("HOST_NOT_CONN"));
    gtk::RunPageDialog(confirm);
    e2e::Observe([&](gtk::DialogPage& dlg) {
      e2e::WaitFor([] { return false; }, 300);
      Check(dlg.window(), "progress");
    });
    RunWithProgress([](ProgressSink& sink) {
      sink.WaitReady();
      sink.SetMessageText("1 / 3");
      sink.SetProgress(33);
      std::this_thread::sleep_for(std::chrono::milliseconds(1500));
      sink.End();
    });
    e2e::Observe(nullptr);

    // The dive sites: one site of the map's centre, and search results open.
    e2e::ClickInPage(page, "page2");
    ASSERT_TRUE(e2e::WaitFor(
        [&] {
          return InFrame(page, "framepage2", "f && f.contentWindow && typeof f.contentWindow.setCMarker") == "function";
        },
        10000));
    e2e::ClickInPage(page, "dive_site_new", "framepage2");
    e2e::WaitFor([&] { return InFrame(page, "framepage2", "d.getElementById('cell_tbody').children.length") != "0"; },
                 5000);
    page.EvalForTest(
        "document.getElementById('framepage2').contentDocument.getElementById('dive_site_find_name').value = "
        "'Cozumel'; return '';");
    e2e::ClickInPage(page, "dive_site_find", "framepage2");
    EXPECT_TRUE(e2e::WaitFor(
        [&] { return InFrame(page, "framepage2", "d.getElementById('pop_table').hidden") == "false"; }, 5000));
    Check(page, "sites", 3);

    // The whole list, filled, and the statistics with every chart drawn.
    e2e::SavedBookScope book(&page, "gui_a11y_book_" + lang);
    ASSERT_TRUE(book.ready);
    e2e::ClickInPage(page, "page3");
    ASSERT_TRUE(e2e::WaitFor(
        [&] { return InFrame(page, "framepage3", "d.querySelectorAll('.grid_row').length > 0") == "true"; }, 5000));
    Check(page, "dives", 2);
    e2e::ClickInPage(page, "show_stats", "framepage3");
    ASSERT_TRUE(e2e::WaitFor(
        [&] { return InFrame(page, "framepage3", "d.querySelectorAll('.chart canvas').length") == "6"; }, 5000));
    Check(page, "dives_stats", 2);
    gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
  }
  EXPECT_EQ(findings_, "");
  // Sign-in, log book, 8 dialogs, the dive sites, the dives and their statistics, in each language.
  EXPECT_EQ(checks_, 2 * 13);
}

// The texts a document shows, one a line: every text node with a box,
// outside what is hidden and what is meant for screen readers alone.
const char* const kShownTexts =
    "((d) => { const out = new Set(); const w = d.createTreeWalker(d.body, NodeFilter.SHOW_TEXT);"
    "  for (let n; (n = w.nextNode());) { const t = n.textContent.trim(), p = n.parentElement;"
    "    if (t && p && p.getClientRects().length && !p.closest('[hidden], script, style, .sr_only')) out.add(t); }"
    "  return Array.from(out).join('\\n'); })";

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The lines of `texts` the screen reader's `tree` lacks; letter case aside,
// as the tree holds the texts as drawn (some headings in capitals).
std::string Unread(const std::string& tree, const std::string& texts) {
  std::string missing;
  const std::string read = Lower(tree);
  std::istringstream lines(texts);
  for (std::string t; std::getline(lines, t);)
    if (read.find(Lower(t)) == std::string::npos) missing += "\"" + t + "\" ";
  return missing;
}

// Run under its own D-Bus session, where the AT-SPI bus comes up with it.
TEST_F(GuiA11y, ScreenReaderNamesEveryWindowAndReadsEveryText) {
  gtk::InstallProgressRunner();
  for (const std::string lang : {"ENG", "CHT"}) {
    e2e::FreshState("gui_a11y_atspi", lang);
    // A field keeps its label as its name while the diver types.
    std::string login_tree, email_label, login_shown;
    e2e::Observe([&](gtk::DialogPage& dlg) {
      e2e::TypeInPage(dlg.window(), "email", sim::kDemoEmail);
      email_label = dlg.window().EvalForTest("return document.getElementById('email').placeholder;");
      login_shown = dlg.window().EvalForTest(std::string("return ") + kShownTexts + "(document);");
      login_tree = ScreenReaderView();
      e2e::ClickInPage(dlg.window(), "exit");
    });
    e2e::RunSignInDialog();
    EXPECT_NE(login_tree.find("obj\tentry\t" + email_label + "\n"), std::string::npos) << login_tree;
    EXPECT_EQ(Unread(login_tree, login_shown), "");

    ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
    gtk::MainFrame frame;
    DiveMapFunc* detail = nullptr;
    ASSERT_FALSE(OpenFirstDive(frame, detail).empty());
    auto& page = frame.page();
    const std::string tree = ScreenReaderView();
    // The window, the tabs, the open day and the first dive's View are named.
    const std::string names[] = {
        "window\tORVELLE PC TOOL",
        "obj\tpage tab\t" + page.EvalForTest("return document.getElementById('page1').textContent.trim();"),
        "obj\tpage tab\t" + page.EvalForTest("return document.getElementById('page2').textContent.trim();"),
        "obj\ttable cell\t" +
            InFrame(page, "framepage1", "d.querySelector('[aria-selected=\"true\"]').getAttribute('aria-label')"),
        "obj\tpush button\t" + InFrame(page, "framepage1", "d.getElementById('view').getAttribute('aria-label')"),
    };
    for (const std::string& name : names) EXPECT_NE(tree.find(name + "\n"), std::string::npos) << name;
    EXPECT_NE(names[3].find(lang == "ENG" ? "scuba dive" : "次水肺潛水"), std::string::npos) << names[3];
    EXPECT_NE(names[4].find(InFrame(page, "framepage1", "d.getElementById('date_title').textContent")),
              std::string::npos);
    // Every text of the log book and of the dive's detail (16 labels and
    // values, its type and date) is read.
    EXPECT_EQ(Unread(tree, InFrame(page, "framepage1", std::string(kShownTexts) + "(d)")), "");
    EXPECT_EQ(Unread(tree, InFrame(page, "framepage1", std::string(kShownTexts) + "(m)")), "");
    EXPECT_GE(
        std::stoi(InFrame(page, "framepage1", "m.querySelectorAll('.values .k, .values b, .chip, .date').length")), 34);

    // Each dialog's window is named by its page's title, in the language,
    // and every text it shows is read.
    const struct {
      const char* opener;
      const char* close;
    } dialogs[] = {{"about", "ok"}, {"setting", "exit"}, {"export_logbook", "cancel"}};
    for (const auto& d : dialogs) {
      std::string title, seen, shown;
      e2e::Observe([&](gtk::DialogPage& dlg) {
        title = dlg.window().EvalForTest("return document.title;");
        shown = dlg.window().EvalForTest(std::string("return ") + kShownTexts + "(document);");
        seen = ScreenReaderView();
        e2e::ClickInPage(dlg.window(), d.close);
      });
      e2e::ClickInPage(page, d.opener);
      e2e::WaitFor([&] { return !seen.empty(); }, 20000);
      EXPECT_FALSE(title.empty());
      EXPECT_NE(seen.find("window\t" + title + "\n"), std::string::npos) << d.opener << "\n" << seen;
      EXPECT_EQ(Unread(seen, shown), "") << d.opener;
    }
    // Every text the Dive Sites page shows is read, its card titles too.
    e2e::ClickInPage(page, "page2");
    e2e::WaitFor([&] { return InFrame(page, "framepage2", "d.getElementById('cell_tbody') !== null") == "true"; },
                 5000);
    const std::string sites_shown = InFrame(page, "framepage2", std::string(kShownTexts) + "(d)");
    EXPECT_NE(sites_shown.find(InFrame(page, "framepage2", "d.querySelector('.card_title').textContent")),
              std::string::npos);
    EXPECT_EQ(Unread(ScreenReaderView(), sites_shown), "");
    e2e::ClickInPage(page, "page1");

    // The log dialog's typed-in fields keep their label as name.
    std::string edit_tree, edit_label;
    e2e::Observe([&](gtk::DialogPage& dlg) {
      e2e::TypeInPage(dlg.window(), "s_bar", "180");
      edit_label = dlg.window().EvalForTest(
          "return document.getElementById('s_bar').closest('label').firstElementChild.textContent;");
      edit_tree = ScreenReaderView();
      e2e::ClickInPage(dlg.window(), "exit");
    });
    detail->Edit(OpenDiveId(page));
    EXPECT_NE(edit_tree.find("obj\tentry\t" + edit_label + "\n"), std::string::npos) << edit_label << "\n" << edit_tree;
    // The progress bar is named by its title and tells its value.
    std::string progress_tree, progress_title;
    e2e::Observe([&](gtk::DialogPage& dlg) {
      e2e::WaitFor(
          [&] { return dlg.window().EvalForTest("return String(document.getElementById('progress').value);") == "33"; },
          5000);
      progress_title = dlg.window().EvalForTest("return document.getElementById('prog_title').textContent;");
      progress_tree = ScreenReaderView();
    });
    RunWithProgress([](ProgressSink& sink) {
      sink.WaitReady();
      sink.SetProgress(33);
      std::this_thread::sleep_for(std::chrono::milliseconds(4000));
      sink.End();
    });
    EXPECT_NE(Lower(progress_tree).find(Lower("value\tprogress bar\t" + progress_title + "\t33\n")), std::string::npos)
        << progress_tree;
    e2e::Observe(nullptr);
    gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
  }
}

}  // namespace
}  // namespace orv
