// The program by keyboard alone, in the real windows: key presses enter
// through GTK's own event dispatch, as a keyboard's do (no clicks, no page
// script), and the test only reads what the pages show.
#include <gtest/gtest.h>

#include <functional>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/page_folder.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "browse/calendar_func.h"
#include "desktop/generic_dialogs.h"
#include "desktop/main_frame.h"
#include "e2e/gui_sim_test.h"
#include "e2e/gui_support.h"
#include "seed.h"

namespace orv {
namespace {

// Presses and releases `keyval` (with `mods`) in the window holding `widget`.
void Press(GtkWidget* widget, guint keyval, guint mods = 0) {
  GdkWindow* window = gtk_widget_get_window(gtk_widget_get_toplevel(widget));
  GdkDisplay* display = gdk_window_get_display(window);
  GdkKeymapKey* keys = nullptr;
  gint n = 0;
  gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys, &n);
  if (n > 0 && keys[0].level == 1) mods |= GDK_SHIFT_MASK;
  for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
    GdkEvent* ev = gdk_event_new(type);
    ev->key.window = GDK_WINDOW(g_object_ref(window));
    ev->key.time = GDK_CURRENT_TIME;
    ev->key.state = mods;
    ev->key.keyval = keyval;
    ev->key.hardware_keycode = n > 0 ? static_cast<guint16>(keys[0].keycode) : 0;
    ev->key.group = n > 0 ? static_cast<guint8>(keys[0].group) : 0;
    gdk_event_set_device(ev, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
    gtk_main_do_event(ev);
    gdk_event_free(ev);
  }
  g_free(keys);
  e2e::WaitFor([] { return false; }, 60);
}

void Type(GtkWidget* widget, const std::string& text) {
  for (char c : text) Press(widget, gdk_unicode_to_keyval(static_cast<guchar>(c)));
}

// What has keyboard focus, through the frames: "id-or-class|shown", where a
// focus on nothing (the page itself), on something without a box or without
// a focus ring is "x" (fields show theirs on the box around them).
std::string Focused(gtk::WebKitWindow& w) {
  return w.EvalForTest(
      "let d = document, e = d.activeElement;"
      "while (e && e.tagName === 'IFRAME' && e.contentDocument && e.contentDocument.activeElement) {"
      "  d = e.contentDocument; e = d.activeElement; }"
      "const r = e && e !== d.body ? e.getBoundingClientRect() : null;"
      "const ring = e && (d.defaultView.getComputedStyle(e).outlineStyle !== 'none' || ['INPUT', "
      "'SELECT'].includes(e.tagName));"
      "return (e ? (e.id || e.getAttribute('aria-label') || e.className || e.tagName) : '') + '|' +"
      "  (r && r.width > 0 && r.height > 0 && ring ? 'v' : 'x');");
}

// Presses `key` in `view` and runs `in_dialog` in the dialog that opens;
// false when none opened.
bool OpensDialog(GtkWidget* view, guint key, const std::function<void(gtk::DialogPage&)>& in_dialog) {
  bool seen = false;
  e2e::Observe([&](gtk::DialogPage& d) {
    seen = true;
    e2e::WaitFor([] { return false; }, 300);
    in_dialog(d);
  });
  Press(view, key);
  e2e::WaitFor([&] { return seen; }, 10000);
  e2e::WaitFor([] { return false; }, 300);
  e2e::Observe(nullptr);
  return seen;
}

// Tabs on until the focus is on `wanted` (a prefix of Focused); false after a
// whole round without it. Every stop on the way must show where it is.
bool TabTo(gtk::WebKitWindow& page, const std::string& wanted, std::string& stops, guint mods = 0) {
  std::string at = Focused(page);
  for (int i = 0; i < 60; ++i) {
    // Keys reach the page in turn but may lag behind a read: wait for the move.
    const std::string from = at;
    Press(page.widget(), GDK_KEY_Tab, mods);
    e2e::WaitFor([&] { return (at = Focused(page)) != from; }, 2000);
    if (at.size() < 2 || at.substr(at.size() - 2) != "|v") stops += at + " ";
    if (at.rfind(wanted, 0) == 0) return true;
  }
  return false;
}

using GuiKeys = e2e::GuiSimDialogsTest;

std::string Js(gtk::WebKitWindow& page, const std::string& expr) {
  return page.EvalForTest(
      "const d1 = document.getElementById('framepage1').contentDocument;"
      "const f = d1.querySelector('#ie > iframe.child-view'); const m = f && f.contentDocument;"
      "return String(" +
      expr + ");");
}

TEST_F(GuiKeys, SignInTabsDayDiveAndEveryDialogByKeysAlone) {
  for (const std::string lang : {"ENG", "CHT"}) {
    e2e::FreshState("gui_keys_" + lang, lang);  // nothing remembered from the last round

    // Sign in: the e-mail field has the focus, Tab leads to the password, Enter signs in.
    std::string login_focus;
    e2e::Observe(
        [&](gtk::DialogPage& dlg) {
          e2e::WaitFor([] { return false; }, 300);
          GtkWidget* v = dlg.window().widget();
          login_focus = Focused(dlg.window());
          Type(v, sim::kDemoEmail);
          Press(v, GDK_KEY_Tab);
          Type(v, sim::kDemoPassword);
          Press(v, GDK_KEY_Return);
        },
        20000);
    ASSERT_EQ(e2e::RunSignInDialog(), 1) << lang;
    EXPECT_EQ(login_focus, "email|v");
    e2e::Observe(nullptr);

    gtk::MainFrame frame;
    ASSERT_TRUE(frame.Create(PagePath("main.htm")));
    auto& page = frame.page();
    GtkWidget* view = page.widget();
    CalendarFunc* calendar = e2e::HandlerOf<CalendarFunc>(frame);
    ASSERT_NE(calendar, nullptr);
    ASSERT_EQ(calendar->ShowMonth(2024, 7).key(), "");

    // A whole round of Tab stops, each one visible; the tabs switch by keys.
    std::string hidden_stops;
    ASSERT_TRUE(TabTo(page, "page1|", hidden_stops));
    const struct {
      guint key, mods;
      const char* shown;  // the frame shown after the key
    } switches[] = {{GDK_KEY_Right, 0, "framepage2"},
                    {GDK_KEY_Left, 0, "framepage1"},
                    {GDK_KEY_Page_Down, GDK_CONTROL_MASK, "framepage2"},
                    {GDK_KEY_1, GDK_MOD1_MASK, "framepage1"},
                    {GDK_KEY_2, GDK_MOD1_MASK, "framepage2"},
                    {GDK_KEY_Tab, GDK_CONTROL_MASK, "framepage3"},
                    {GDK_KEY_Right, 0, "framepage1"},
                    {GDK_KEY_3, GDK_MOD1_MASK, "framepage3"},
                    {GDK_KEY_1, GDK_MOD1_MASK, "framepage1"}};
    for (const auto& s : switches) {
      Press(view, s.key, s.mods);
      EXPECT_TRUE(e2e::WaitFor(
          [&] {
            return page.EvalForTest(std::string("return String(!document.getElementById('") + s.shown +
                                    "').hidden);") == "true";
          },
          8000))
          << s.shown << " after key " << s.key;
    }
    EXPECT_EQ(page.EvalForTest("return document.getElementById('page1').getAttribute('aria-selected');"), "true");

    // Dive Sites: a search by Enter, its results in the Tab order after
    // it, and Enter on one takes it and closes the list.
    const auto sites = [&](const std::string& expr) {
      return page.EvalForTest("const d = document.getElementById('framepage2').contentDocument; return String(" + expr +
                              ");");
    };
    Press(view, GDK_KEY_2, GDK_MOD1_MASK);
    ASSERT_TRUE(
        e2e::WaitFor([&] { return sites("d.querySelector('#ie > iframe.child-view') !== null") == "true"; }, 10000));
    ASSERT_TRUE(TabTo(page, "dive_site_find_name|", hidden_stops));
    Type(view, "Cozumel");
    Press(view, GDK_KEY_Return);
    ASSERT_TRUE(e2e::WaitFor([&] { return sites("d.getElementById('pop_table').hidden") == "false"; }, 8000));
    ASSERT_TRUE(TabTo(page, "dive_site_poi|", hidden_stops));
    const std::string picked = sites("d.activeElement.querySelector('#poi_name').textContent");
    EXPECT_FALSE(picked.empty());
    Press(view, GDK_KEY_Return);
    EXPECT_TRUE(e2e::WaitFor([&] { return sites("d.getElementById('pop_table').hidden") == "true"; }, 5000));
    EXPECT_TRUE(e2e::WaitFor([&] { return sites("d.getElementById('dive_site_edit_name').value") == picked; }, 5000))
        << picked;
    Press(view, GDK_KEY_1, GDK_MOD1_MASK);

    // The calendar: one stop, Page Up goes a month back, arrows walk to the
    // first day with dives, Enter lists it.
    ASSERT_TRUE(TabTo(page, "date_cell_", hidden_stops));
    Press(view, GDK_KEY_Page_Up);
    EXPECT_TRUE(
        e2e::WaitFor([&] { return Js(page, "d1.getElementById('calendardate').textContent") == "2024-06"; }, 5000));
    const int at = std::stoi(Js(page, "d1.activeElement.id.slice(10)"));
    const int dive_day = std::stoi(Js(page, "d1.querySelector('.date_td_in_dive_day').id.slice(10)"));
    for (int i = at; i != dive_day; i += dive_day > at ? 1 : -1)
      Press(view, dive_day > at ? GDK_KEY_Right : GDK_KEY_Left);
    EXPECT_NE(Js(page, "d1.activeElement.getAttribute('aria-label')"), "");
    e2e::SaveScreenshot(page, "keys_calendar_" + lang);
    Press(view, GDK_KEY_Return);
    ASSERT_TRUE(e2e::WaitFor([&] { return Js(page, "d1.getElementById('cell_tbody').children.length") != "0"; }, 8000));

    // A dive's row opens the dive with Enter; its Edit opens the log dialog.
    ASSERT_TRUE(TabTo(page, "log_row|", hidden_stops));
    Press(view, GDK_KEY_Return);
    EXPECT_TRUE(
        e2e::WaitFor([&] { return Js(page, "m && m.getElementById('log_max_depth').textContent") != "--"; }, 8000));
    // The map takes the focus and zooms with + and -.
    const auto zoom = [&] {
      return Js(page,
                "(() => { const c = Array.from(m.querySelectorAll('.leaflet-tile-container'))"
                ".sort((a, b) => b.style.zIndex - a.style.zIndex)[0]; const t = c && c.querySelector('img');"
                " return t ? t.src.split('/').slice(-3)[0] : ''; })()");
    };
    ASSERT_TRUE(TabTo(page, "map|", hidden_stops));
    std::string settled;  // the map may still be flying to the dive
    ASSERT_TRUE(e2e::WaitFor(
        [&] {
          settled = zoom();
          e2e::WaitFor([] { return false; }, 500);
          return !settled.empty() && settled == zoom();
        },
        8000));
    const int before = std::stoi(settled);
    e2e::SaveScreenshot(page, "keys_map_" + lang);
    EXPECT_EQ(Focused(page), "map|v");
    Press(view, GDK_KEY_plus);
    EXPECT_TRUE(e2e::WaitFor([&] { return std::stoi("0" + zoom()) > before; }, 5000)) << before << " " << zoom();
    const int in = std::stoi("0" + zoom());
    Press(view, GDK_KEY_minus);
    EXPECT_TRUE(e2e::WaitFor([&] { return std::stoi("0" + zoom()) < in; }, 5000)) << in << " " << zoom();
    ASSERT_TRUE(TabTo(page, "edit|", hidden_stops, GDK_SHIFT_MASK));

    // Every dialog starts on its first useful control and Escape ends it as
    // its cancel or close button does.
    const struct {
      const char* opener;  // focused before Enter; empty: the Edit just reached
      const char* first;   // focused when the dialog opens
      const char* close;   // the button Escape stands for
    } dialogs[] = {{"", "s_bar|v", "exit"},
                   {"setting|", "langauge|v", "exit"},
                   {"about|", "ok|v", "ok"},
                   {"export_logbook|", "export_from|v", "cancel"}};
    for (const auto& d : dialogs) {
      if (*d.opener) {
        ASSERT_TRUE(TabTo(page, d.opener, hidden_stops)) << d.opener;
      }
      std::string first, pressed;
      EXPECT_TRUE(OpensDialog(view, GDK_KEY_Return, [&](gtk::DialogPage& dlg) {
        auto& w = dlg.window();
        first = Focused(w);
        w.EvalForTest("document.addEventListener('click', (e) => { window.pressed = e.target.id; }, true); return '';");
        Press(w.widget(), GDK_KEY_Escape);
        e2e::WaitFor([&] { return !(pressed = w.EvalForTest("return window.pressed || '';")).empty(); }, 3000);
      })) << d.opener;
      EXPECT_EQ(first, d.first) << d.opener;
      EXPECT_EQ(pressed, d.close) << d.opener;
    }
    EXPECT_EQ(LanguageCode, lang);  // the settings were cancelled, not saved
    gtk::YesNoDlg confirm("?");
    e2e::Observe([&](gtk::DialogPage& dlg) {
      e2e::WaitFor([] { return false; }, 300);
      Press(dlg.window().widget(), GDK_KEY_Escape);
    });
    EXPECT_EQ(gtk::RunPageDialog(confirm), 0);  // Escape is Cancel, never OK
    e2e::Observe(nullptr);

    // The Dives tab: the filter by typing, the grid by arrows, Home/End and
    // Page Down, Enter opens the dive; the statistics and a chart's table.
    const auto dives = [&](const std::string& expr) {
      return page.EvalForTest("const d = document.getElementById('framepage3').contentDocument; return String(" + expr +
                              ");");
    };
    e2e::SavedBookScope book(&page, "gui_keys_book_" + lang);
    ASSERT_TRUE(book.ready);
    Press(view, GDK_KEY_3, GDK_MOD1_MASK);
    ASSERT_TRUE(e2e::WaitFor([&] { return dives("d.getElementById('dives_count').textContent") == "80"; }, 8000));
    ASSERT_TRUE(TabTo(page, "filter_text|", hidden_stops));
    Type(view, "blue");
    ASSERT_TRUE(e2e::WaitFor([&] { return dives("d.getElementById('dives_count').textContent") != "80"; }, 5000));
    ASSERT_TRUE(TabTo(page, "sort_date|", hidden_stops));
    const struct {
      guint key;
      const char* focused;
      const char* row;  // aria-rowindex of the focused cell's row
    } grid_keys[] = {{GDK_KEY_Down, "c_date|v", "2"}, {GDK_KEY_End, "c_num|v", "2"},
                     {GDK_KEY_Home, "c_date|v", "2"}, {GDK_KEY_Page_Down, "c_date|v", ""},
                     {GDK_KEY_Up, "c_date|v", ""},    {GDK_KEY_Right, "c_site|v", ""}};
    for (const auto& k : grid_keys) {
      Press(view, k.key);
      EXPECT_TRUE(e2e::WaitFor([&] { return Focused(page) == k.focused; }, 3000)) << k.key << " " << Focused(page);
      if (*k.row) {
        EXPECT_EQ(dives("d.activeElement.parentElement.getAttribute('aria-rowindex')"), k.row);
      }
    }
    EXPECT_GT(std::stoi(dives("d.activeElement.parentElement.getAttribute('aria-rowindex')")), 3);
    const std::string site = dives("d.activeElement.textContent");
    e2e::SaveScreenshot(page, "keys_dives_" + lang);
    Press(view, GDK_KEY_Return);
    EXPECT_TRUE(e2e::WaitFor(
        [&] {
          return Js(page, "m && m.getElementById('log_max_depth').textContent") != "--" &&
                 page.EvalForTest("return String(document.getElementById('framepage1').hidden);") == "false";
        },
        8000));
    EXPECT_NE(site.find("Blue"), std::string::npos) << site;
    Press(view, GDK_KEY_3, GDK_MOD1_MASK);
    ASSERT_TRUE(TabTo(page, "show_list|", hidden_stops));
    Press(view, GDK_KEY_Right);
    ASSERT_TRUE(e2e::WaitFor([&] { return dives("d.querySelectorAll('.chart canvas').length") == "6"; }, 5000));
    ASSERT_TRUE(TabTo(page, "btn btn_small table_toggle|", hidden_stops));
    Press(view, GDK_KEY_Return);
    EXPECT_TRUE(e2e::WaitFor([&] { return dives("d.activeElement.getAttribute('aria-pressed')") == "true"; }, 3000));
    EXPECT_GT(std::stoi(dives("d.getElementById('stat_years').getBoundingClientRect().height")), 40);
    e2e::SaveScreenshot(page, "keys_dives_stats_" + lang);
    EXPECT_EQ(hidden_stops, "");
    gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
  }
}

}  // namespace
}  // namespace orv
