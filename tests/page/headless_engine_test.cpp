// The headless engine against real HTML files: lookups, element operations,
// form values, fragments and event delivery to page handlers.
#include <gtest/gtest.h>

#include "app/func_base.h"
#include "app/headless/headless_engine.h"
#include "app/page_folder.h"

namespace orv {
namespace {

const std::string kFixtures = std::string(ORVELLE_SOURCE_DIR) + "/tests/page/fixtures/";

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(win.LoadFile(kFixtures + "shell.htm")); }
  HeadlessWindow win;
};

TEST_F(HeadlessTest, LookupFollowsDocumentOrderAndWholeIds) {
  EXPECT_EQ(win.TextOf(win.FindById("dup")), "first");
  EXPECT_FALSE(win.FindById("du"));
  EXPECT_FALSE(win.FindById("dup "));
  EXPECT_FALSE(win.FindById(""));
  // Quotes and brackets in an id are data, never selector syntax.
  EXPECT_EQ(win.TextOf(win.FindById("a'b]")), "odd id");
  // Elements of a frame are not part of the outer document.
  EXPECT_FALSE(win.FindById("inner"));
}

TEST_F(HeadlessTest, FramesLoadTheirDocuments) {
  EXPECT_EQ(win.TextOf(win.FindInFrame("frame1", "inner")), "inside");
  EXPECT_EQ(win.TextOf(win.FindInFrame("frame1", "dup")), "frame dup");
  EXPECT_TRUE(win.FindById("frame1").Child(0));
  // A frame whose file is missing holds an empty document.
  EXPECT_FALSE(win.FindInFrame("frame2", "inner"));
  EXPECT_FALSE(win.FindInFrame("nosuchframe", "inner"));
  // Changing the address loads the other document.
  win.FindById("frame2").SetAttr("src", "child.htm");
  ElementRef inner = win.FindInFrame("frame2", "inner");
  EXPECT_EQ(win.TextOf(inner), "inside");
  win.FindById("frame2").SetAttr("src", "missing.htm");
  inner.SetText("still safe");  // the old frame document is detached, not freed
  EXPECT_FALSE(win.FindInFrame("frame2", "inner"));
}

TEST_F(HeadlessTest, LoadingAgainReplacesThePage) {
  ElementRef old_box = win.FindById("box");
  old_box.SetText("changed");
  ASSERT_TRUE(win.LoadFile(kFixtures + "shell.htm"));
  EXPECT_EQ(win.TextOf(win.FindById("box")), "x");
  // A reference into the old page is empty now, not a dangling pointer.
  old_box.SetText("stale");
  EXPECT_EQ(old_box.Attr("id"), "");
  EXPECT_EQ(win.TextOf(win.FindById("box")), "x");
  EXPECT_FALSE(win.LoadFile(kFixtures + "nothing.htm"));
  EXPECT_FALSE(win.FindById("box"));  // the old page is gone, not shown
}

TEST_F(HeadlessTest, MissingPageGivesEmptyDocument) {
  HeadlessWindow empty;
  EXPECT_FALSE(empty.LoadFile(kFixtures + "nothing.htm"));
  EXPECT_FALSE(empty.Root());
  ElementRef none = empty.FindById("go");
  EXPECT_FALSE(none);
  // Every operation on an empty reference is a quiet no-op.
  none.SetText("x");
  none.SetAttr("a", "b");
  none.AppendHtml("<b>x</b>");
  EXPECT_EQ(none.Attr("id"), "");
  EXPECT_EQ(none.Value(), "");
  EXPECT_FALSE(none.Child(0));
}

TEST_F(HeadlessTest, AttributesTextAndStyle) {
  ElementRef box = win.FindById("box");
  EXPECT_EQ(box.Attr("missing"), "");
  box.Hide();
  EXPECT_EQ(box.Attr("hidden"), "");
  EXPECT_NE(win.InnerHtml(win.Root()).find("hidden"), std::string::npos);
  box.Show();
  EXPECT_EQ(win.InnerHtml(win.Root()).find("hidden"), std::string::npos);
  box.SetStyle("width", "10px");
  box.SetStyle("color", "blue");
  EXPECT_EQ(win.Style(box, "color"), "blue");
  EXPECT_EQ(win.Style(box, "width"), "10px");
  // Text is never markup.
  box.SetText("<b>bold</b> & more");
  EXPECT_EQ(win.TextOf(box), "<b>bold</b> & more");
  EXPECT_EQ(win.ChildCount(box), 0);
  EXPECT_EQ(win.TextOf(win.FindById("text")), "Ünïcødé 潛水");
}

TEST_F(HeadlessTest, FormValuesBehaveAsInABrowser) {
  ElementRef name = win.FindById("name");
  EXPECT_EQ(name.Value(), "Ann");
  name.SetValue("Bob & Co");
  EXPECT_EQ(name.Value(), "Bob & Co");
  EXPECT_EQ(name.Attr("value"), "Ann");  // typing does not change the attribute

  ElementRef note = win.FindById("note");
  EXPECT_EQ(note.Value(), "hello");
  note.SetValue("changed");
  EXPECT_EQ(note.Value(), "changed");

  ElementRef kind = win.FindById("kind");
  EXPECT_EQ(kind.Value(), "1");  // the selected option
  kind.SetValue("Free");         // an option without value carries its text
  EXPECT_EQ(kind.Value(), "Free");
  kind.SetValue("7");  // no such option: nothing selected
  EXPECT_EQ(kind.Value(), "");

  ElementRef flag = win.FindById("flag");
  EXPECT_EQ(flag.Value(), "true");
  flag.SetValue("false");
  EXPECT_EQ(flag.Value(), "false");

  // Other elements take their value as text.
  win.FindById("box").SetValue("plain");
  EXPECT_EQ(win.FindById("box").Value(), "plain");
}

TEST_F(HeadlessTest, FragmentsAppendInOrderAndEmptyClears) {
  auto row = ReadWholeFile(kFixtures + "row.htm");
  ASSERT_TRUE(row);
  ElementRef rows = win.FindById("rows");
  rows.AppendHtml(*row);
  rows.AppendHtml("<tr><td>r2</td></tr>");
  ASSERT_EQ(win.ChildCount(rows), 3);
  EXPECT_EQ(win.TextOf(rows.Child(0)), "r0");
  EXPECT_EQ(rows.Child(1).Attr("id"), "row");
  EXPECT_EQ(win.TextOf(rows.Child(2)), "r2");
  EXPECT_EQ(win.FindById("pic").Attr("src"), "a.svg");
  rows.AppendHtml("");
  EXPECT_EQ(win.ChildCount(rows), 0);
}

TEST_F(HeadlessTest, ReferencesSurviveClearingTheirParent) {
  ElementRef rows = win.FindById("rows");
  ElementRef first = rows.Child(0);
  rows.Clear();
  // The old row is detached but still safe to touch.
  first.SetText("gone");
  EXPECT_EQ(win.ChildCount(rows), 0);
}

TEST_F(HeadlessTest, PopupsAndChildViewsAreRecorded) {
  ElementRef pop = win.FindById("pop");
  EXPECT_FALSE(win.PopupShown(pop));
  win.ShowPopup(pop, win.FindById("go"));
  EXPECT_TRUE(win.PopupShown(pop));
  win.HidePopup(pop);
  EXPECT_FALSE(win.PopupShown(pop));
  win.AttachChildView(win.FindById("box"), "web_html/maps.htm");
  EXPECT_EQ(win.ChildViewPage(win.FindById("box")), "web_html/maps.htm");
}

// A handler that records the clicks it acts on.
class Recorder : public func_base {
 public:
  Recorder(std::vector<std::string>& log, std::string name) : log_(log), name_(std::move(name)) {}
  void on_event(const ElementRef&, const PageEvent& event) override {
    std::string id = ClickedId(event);
    if (id == "go" || id == "inner") log_.push_back(name_ + ":" + id);
  }

 private:
  std::vector<std::string>& log_;
  std::string name_;
};

TEST_F(HeadlessTest, EventsReachEveryHandlerInOrderOnlyForPlainClicks) {
  std::vector<std::string> log;
  HandlerList handlers;
  handlers.push_back(std::make_unique<Recorder>(log, "a"));
  handlers.push_back(std::make_unique<Recorder>(log, "b"));
  HandlerListSink sink(handlers);
  win.SetEventSink(&sink);
  for (auto& h : handlers) h->attach(&win);

  EXPECT_TRUE(win.Click("go"));
  EXPECT_EQ(log, (std::vector<std::string>{"a:go", "b:go"}));

  log.clear();
  EXPECT_TRUE(win.Click("go", 0x8000));  // a flag bit: seen while sinking
  EXPECT_TRUE(win.Click("box"));         // nobody knows this id
  win.ClickElement(win.FindById("text").Child(0));
  EXPECT_FALSE(win.Click("nosuch"));
  EXPECT_TRUE(win.Click("off"));  // disabled: swallowed
  EXPECT_TRUE(log.empty());

  EXPECT_TRUE(win.ClickInFrame("frame1", "inner"));
  EXPECT_EQ(log, (std::vector<std::string>{"a:inner", "b:inner"}));
}

TEST_F(HeadlessTest, SelectionChangeIsCodeFive) {
  std::vector<uint32_t> codes;
  struct Sink : EventSink {
    std::vector<uint32_t>* codes;
    void OnPageEvent(const ElementRef&, const PageEvent& e) override { codes->push_back(e.code); }
  } sink;
  sink.codes = &codes;
  win.SetEventSink(&sink);
  EXPECT_TRUE(win.Select("kind", "0"));
  EXPECT_EQ(codes, std::vector<uint32_t>{kEventSelectionChanged});
  EXPECT_EQ(win.FindById("kind").Value(), "0");
}

TEST(PageFolder, PathsAndFiles) {
  EXPECT_EQ(MakePageFolder("/opt/orvelle", "CHT"), "/opt/orvelle/CHT/");
  EXPECT_EQ(MakePageFolder("/opt/orvelle/", "ENG"), "/opt/orvelle/ENG/");
  EXPECT_FALSE(ReadWholeFile(kFixtures + "nothing.htm"));
  EXPECT_FALSE(ReadWholeFile("/dev/zero"));  // would never end
  EXPECT_FALSE(ReadWholeFile(kFixtures));    // a folder
  auto bytes = ReadWholeFile(kFixtures + "row.htm");
  ASSERT_TRUE(bytes);
  EXPECT_EQ(bytes->substr(0, 3), "<tr");
}

}  // namespace
}  // namespace orv
