// The WebKit engine behind the engine interface, on the same fixture pages as
// the headless engine's tests: both must behave alike for the page handlers.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/app_state.h"
#include "app/func_base.h"
#include "app/page_folder.h"
#include "desktop/web_views.h"
#include "desktop/webkit_window.h"
#include "e2e/gui_support.h"

namespace orv {
namespace {

// An element's text as the page has it now, asked past the engine: an ask
// through it would send the writes still queued first.
std::string PageText(gtk::WebKitWindow& window, const std::string& id) {
  struct Answer {
    bool done = false;
    std::string text;
  };
  auto answer = std::make_shared<Answer>();
  const std::string script = "document.getElementById('" + id + "').textContent";
  webkit_web_view_evaluate_javascript(
      window.view(), script.c_str(), -1, nullptr, nullptr, nullptr,
      [](GObject* view, GAsyncResult* result, gpointer data) {
        std::unique_ptr<std::shared_ptr<Answer>> a(static_cast<std::shared_ptr<Answer>*>(data));
        if (JSCValue* v = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, nullptr)) {
          char* text = jsc_value_to_string(v);
          (*a)->text = text ? text : "";
          g_free(text);
          g_object_unref(v);
        }
        (*a)->done = true;
      },
      new std::shared_ptr<Answer>(answer));
  e2e::WaitFor([&] { return answer->done; }, 5000);
  return answer->text;
}

// Runs `run` for every page event; Id is what every real handler asks first.
struct Listener : func_base {
  std::function<void(const PageEvent&)> run;
  void on_event(const ElementRef&, const PageEvent& e) override { run(e); }
  static std::string Id(const PageEvent& e) { return ClickedId(e); }
};

class GuiEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    ORV_REQUIRE_DISPLAY();
    window = std::make_unique<gtk::WebKitWindow>();
    toplevel = gtk_offscreen_window_new();
    gtk_container_add(GTK_CONTAINER(toplevel), window->widget());
    gtk_widget_set_size_request(toplevel, 800, 600);
    gtk_widget_show_all(toplevel);
    ASSERT_TRUE(window->LoadFile(ProgramFolder() + "test-fixtures/shell.htm"));
  }
  void TearDown() override {
    if (window) window->SetEventSink(nullptr);
    if (toplevel) {
      gtk_container_remove(GTK_CONTAINER(toplevel), window->widget());
      gtk_widget_destroy(toplevel);
    }
  }
  // Two handlers, both running `on_event` for every page event, as the main
  // window's handlers all see each click.
  void ListenTwice(const std::function<void(const PageEvent&)>& on_event) {
    for (int i = 0; i < 2; ++i) {
      auto h = std::make_unique<Listener>();
      h->run = on_event;
      handlers.push_back(std::move(h));
    }
    sink = std::make_unique<HandlerListSink>(handlers);
    window->SetEventSink(sink.get());
  }
  std::unique_ptr<gtk::WebKitWindow> window;
  GtkWidget* toplevel = nullptr;
  HandlerList handlers;
  std::unique_ptr<HandlerListSink> sink;
};

TEST_F(GuiEngine, LookupsMatchTheHeadlessEngine) {
  auto& w = *window;
  EXPECT_EQ(w.FindById("dup").Value(), "first");
  EXPECT_FALSE(w.FindById("du"));
  EXPECT_FALSE(w.FindById(""));
  EXPECT_EQ(w.FindById("a'b]").Value(), "odd id");  // data, never selector syntax
  EXPECT_FALSE(w.FindById("inner"));
  EXPECT_EQ(w.FindInFrame("frame1", "inner").Value(), "inside");
  EXPECT_TRUE(w.FindById("frame1").Child(0));
  EXPECT_FALSE(w.FindInFrame("nosuchframe", "inner"));
  EXPECT_EQ(w.FindById("rows").FindBelow("row").Attr("id"), "");  // not there yet
}

TEST_F(GuiEngine, WritesArriveInOrderAsTextNeverAsCode) {
  auto& w = *window;
  ElementRef box = w.FindById("box");
  const std::string hostile = "</div><img src=x onerror=\"document.title='pwned'\">'\"\\";
  box.SetText(hostile);
  box.SetAttr("data-x", hostile);
  box.SetStyle("width", "10px");
  box.Hide();
  EXPECT_EQ(box.Value(), hostile);
  EXPECT_EQ(box.Attr("data-x"), hostile);
  EXPECT_EQ(box.Attr("hidden"), "");
  EXPECT_NE(w.EvalForTest("return document.title;"), "pwned");
  EXPECT_EQ(w.EvalForTest("return document.getElementById('box').style.width;"), "10px");
  box.Show();
  EXPECT_EQ(w.EvalForTest("return String(document.getElementById('box').hasAttribute('hidden'));"), "false");
}

TEST_F(GuiEngine, WritesReachThePageUnaskedAndARefusedOneStopsNoOther) {
  auto& w = *window;
  ElementRef box = w.FindById("box");
  box.SetText("1");
  box.SetAttr("not a name", "v");  // the page refuses this attribute name
  box.SetText("2");
  w.FindById("text").SetText("last");
  // Nothing reads through the engine: the main loop alone must send them.
  EXPECT_TRUE(e2e::WaitFor([&] { return PageText(w, "text") == "last"; }, 5000));
  EXPECT_EQ(PageText(w, "box"), "2");
}

TEST_F(GuiEngine, ReferencesIntoAnOldPageTouchNothingAfterAReload) {
  auto& w = *window;
  ElementRef old_box = w.FindById("box");
  ASSERT_TRUE(w.LoadFile(ProgramFolder() + "test-fixtures/shell.htm"));
  // The new page hands out numbers from the start again.
  ElementRef text = w.FindById("text");
  old_box.SetText("stale");
  old_box.Hide();
  EXPECT_EQ(text.Value(), "Ünïcødé 潛水");
  EXPECT_EQ(w.FindById("box").Value(), "x");
  EXPECT_EQ(old_box.Value(), "");
}

TEST_F(GuiEngine, FormValuesAndFragments) {
  auto& w = *window;
  EXPECT_EQ(w.FindById("name").Value(), "Ann");
  w.FindById("name").SetValue("Bob & Co");
  EXPECT_EQ(w.FindById("name").Value(), "Bob & Co");
  EXPECT_EQ(w.FindById("kind").Value(), "1");
  w.FindById("kind").SetValue("Free");
  EXPECT_EQ(w.FindById("kind").Value(), "Free");
  EXPECT_EQ(w.FindById("flag").Value(), "true");
  w.FindById("flag").SetValue("false");
  EXPECT_EQ(w.FindById("flag").Value(), "false");

  ElementRef rows = w.FindById("rows");
  auto row = ReadWholeFile(ProgramFolder() + "test-fixtures/row.htm");
  ASSERT_TRUE(row);
  rows.AppendHtml(*row);
  rows.AppendHtml("<tr><td>r2</td></tr>");
  EXPECT_EQ(rows.Child(1).Attr("id"), "row");
  EXPECT_EQ(rows.Child(2).Value(), "r2");
  EXPECT_EQ(rows.FindBelow("cell").Value(), "value");
  rows.AppendHtml("");
  EXPECT_FALSE(rows.Child(0));
}

TEST_F(GuiEngine, ClicksReachHandlersOnceAndInOrder) {
  std::vector<std::string> log;
  ListenTwice([&](const PageEvent& e) {
    std::string id = Listener::Id(e);
    if (!id.empty()) log.push_back(id);
  });
  e2e::ClickInPage(*window, "go");
  e2e::WaitFor([&] { return log.size() >= 2; }, 3000);
  EXPECT_EQ(log, (std::vector<std::string>{"go", "go"}));
  log.clear();
  // A click on an element without id reports the nearest one that has one;
  // inside a frame it is reported for the frame's element.
  window->EvalForTest("document.querySelector('.noid').click(); return '';");
  e2e::ClickInPage(*window, "inner", "frame1");
  e2e::ClickInPage(*window, "off");  // disabled: no click at all
  e2e::WaitFor([&] { return log.size() >= 2; }, 3000);
  e2e::WaitFor([] { return false; }, 300);
  // The span sits in a body without id: nothing to report for it.
  EXPECT_EQ(log, (std::vector<std::string>{"inner", "inner"}));
}

// The id and "objid" come with the click; a handler that writes either
// sees what it wrote, as does every handler after it.
TEST_F(GuiEngine, AHandlerThatRenamesTheClickedElementSeesItsNewId) {
  std::vector<std::string> log;
  ListenTwice([&](const PageEvent& e) {
    const std::string before = Listener::Id(e) + "/" + e.target.Attr("objid");
    if (before == "go/7") e.target.SetAttr("objid", "8");
    if (before == "go/8") e.target.SetAttr("id", "went");
    log.push_back(before + ">" + Listener::Id(e) + "/" + e.target.Attr("objid"));
  });
  e2e::ClickInPage(*window, "go");
  e2e::WaitFor([&] { return log.size() >= 2; }, 3000);
  EXPECT_EQ(log, (std::vector<std::string>{"go/7>go/8", "go/8>went/8"}));
}

// A field's value comes with its click; a handler that writes another sees
// that one, as does every handler after it.
TEST_F(GuiEngine, AHandlerThatRefillsTheClickedFieldSeesItsNewValue) {
  std::vector<std::string> log;
  ListenTwice([&](const PageEvent& e) {
    if (Listener::Id(e) != "name") return;
    const std::string before = e.target.Value();
    if (before == "Ann") e.target.SetValue("Bob");
    log.push_back(before + ">" + e.target.Value());
  });
  e2e::ClickInPage(*window, "name");
  e2e::WaitFor([&] { return log.size() >= 2; }, 3000);
  EXPECT_EQ(log, (std::vector<std::string>{"Ann>Bob", "Bob>Bob"}));
}

TEST_F(GuiEngine, ChildViewsAndPopups) {
  auto& w = *window;
  ElementRef box = w.FindById("box");
  w.AttachChildView(box, "child.htm");
  w.AttachChildView(box, "child.htm");  // placing it again reuses the view
  EXPECT_TRUE(e2e::WaitFor(
      [&] {
        return w.EvalForTest(
                   "const f = document.querySelectorAll('#box > iframe.child-view');"
                   "return f.length === 1 && f[0].contentDocument &&"
                   " f[0].contentDocument.getElementById('inner') ? 'yes' : 'no';") == "yes";
      },
      5000));
  ElementRef pop = w.FindById("pop");
  w.ShowPopup(pop, w.FindById("go"));
  EXPECT_EQ(w.EvalForTest("return document.getElementById('pop').classList.contains('popup-open') ? 'y' : 'n';"), "y");
  w.HidePopup(pop);
  EXPECT_EQ(pop.Attr("hidden"), "");
}

TEST_F(GuiEngine, NavigationAwayIsRefused) {
  window->EvalForTest("location.href = 'https://example.com/'; return '';");
  e2e::WaitFor([] { return false; }, 500);
  std::string uri = webkit_web_view_get_uri(window->view());
  EXPECT_EQ(uri.rfind("app://pages/", 0), 0u) << uri;
  EXPECT_EQ(gtk::FileForAppUri("app://pages/../etc/passwd"), "");
  EXPECT_EQ(gtk::FileForAppUri("app://pages/ENG/%2e%2e/%2e%2e/etc/passwd"), "");
  EXPECT_EQ(gtk::FileForAppUri("app://pages/ENG/main.htm"), ProgramFolder() + "ENG/main.htm");
}

}  // namespace
}  // namespace orv
