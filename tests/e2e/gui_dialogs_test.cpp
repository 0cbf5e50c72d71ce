// The dialogs and the main window's tabs in the real WebKit engine.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/app_state.h"
#include "app/page_folder.h"
#include "app/string_table.h"
#include "desktop/generic_dialogs.h"
#include "desktop/main_frame.h"
#include "desktop/progress_dialog.h"
#include "e2e/gui_support.h"

namespace orv {
namespace {

using gtk::DialogPage;
using gtk::RunPageDialog;

class GuiDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    ORV_REQUIRE_DISPLAY();
    State().page_folder = MakePageFolder(ProgramFolder(), "ENG");
    ScaleX = ScaleY = 1.0f;
  }
  void TearDown() override {
    e2e::Observe(nullptr);
    ScaleX = ScaleY = 1.0f;
  }
};

TEST_F(GuiDialogs, MessageDialogShowsTextsAndEndsOnOk) {
  std::string align_single, align_double, text;
  for (bool with_second : {false, true}) {
    e2e::Observe([&](DialogPage& page) {
      auto& w = page.window();
      (with_second ? align_double : align_single) =
          w.EvalForTest("return document.getElementById('MsgText1').style.textAlign;");
      text = w.EvalForTest(
          "return document.getElementById('MsgText1').textContent + '|' + "
          "document.getElementById('MsgText2').textContent;");
      e2e::SaveScreenshot(w, with_second ? "msg_two_texts" : "msg_one_text");
      e2e::ClickInPage(w, "ok");
    });
    gtk::MsgDlg dlg("Could not reach the service <b>now</b>", with_second ? "Second line" : "");
    EXPECT_EQ(RunPageDialog(dlg), 1);
  }
  EXPECT_EQ(align_single, "");  // the page's own alignment
  EXPECT_EQ(align_double, "left");
  EXPECT_EQ(text, "Could not reach the service <b>now</b>|Second line");  // text, never markup
}

TEST_F(GuiDialogs, ConfirmationIgnoresOtherClicks) {
  int clicks = 0;
  e2e::Observe([&](DialogPage& page) {
    e2e::SaveScreenshot(page.window(), "yes_no");
    e2e::ClickInPage(page.window(), "MsgText");  // not a button: stays open
    e2e::WaitFor([] { return false; }, 200);
    ++clicks;
    e2e::ClickInPage(page.window(), "cancel");
  });
  gtk::YesNoDlg dlg("Send the dive sites to the dive computer?");
  EXPECT_EQ(RunPageDialog(dlg), 0);
  EXPECT_EQ(clicks, 1);

  e2e::Observe([&](DialogPage& page) { e2e::ClickInPage(page.window(), "ok"); });
  gtk::YesNoDlg again("Again?");
  EXPECT_EQ(RunPageDialog(again), 1);
}

TEST_F(GuiDialogs, SizesFollowTheDisplayScale) {
  ScaleX = ScaleY = 1.5f;
  int w = 0, h = 0;
  e2e::Observe([&](DialogPage& page) {
    e2e::WaitFor([] { return false; }, 100);
    e2e::WindowSize(page.gtk_window(), w, h);
    page.EndDialog(7);
  });
  gtk::MsgDlg dlg("scaled", "");
  EXPECT_EQ(RunPageDialog(dlg), 7);
  EXPECT_EQ(w, 420);
  EXPECT_EQ(h, 240);
}

TEST_F(GuiDialogs, ProgressDialogTakesWorkerUpdatesAndEnds) {
  gtk::InstallProgressRunner();
  std::string shown;
  e2e::Observe([&](DialogPage& page) {
    e2e::WaitFor(
        [&] {
          shown = page.window().EvalForTest(
              "return document.getElementById('MsgText1').textContent + '|' + "
              "document.getElementById('progress').value;");
          return shown == "Reading dive 3 of 7|42";
        },
        3000);
    e2e::SaveScreenshot(page.window(), "progress");
  });
  std::atomic<bool> finished{false};
  RunWithProgress([&](ProgressSink& sink) {
    sink.WaitReady();
    sink.SetMessageText("Reading dive 3 of 7");
    sink.SetProgress(42);
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    sink.End();
    finished = true;
  });
  EXPECT_TRUE(finished);
  EXPECT_EQ(shown, "Reading dive 3 of 7|42");

  // A worker that is done before the page has loaded still ends the dialog.
  e2e::Observe(nullptr);
  RunWithProgress([](ProgressSink& sink) { sink.End(); });
  SetProgressRunner(nullptr);
}

TEST_F(GuiDialogs, WorkerMessageBlocksTheWorkerUntilClosed) {
  gtk::InstallProgressRunner();
  bool message_open = false;
  e2e::Observe([&](DialogPage& page) {
    if (page.PageName() != "msg.htm") return;
    message_open = true;
    e2e::SaveScreenshot(page.window(), "worker_message");
    e2e::WaitFor([] { return false; }, 300);
    message_open = false;
    e2e::ClickInPage(page.window(), "ok");
  });
  std::atomic<bool> returned_while_open{true};
  RunWithProgress([&](ProgressSink& sink) {
    sink.WaitReady();
    sink.ShowMessage("The dive computer stopped answering.");
    returned_while_open = message_open;
    sink.End();
  });
  EXPECT_FALSE(returned_while_open);
  SetProgressRunner(nullptr);
}

TEST_F(GuiDialogs, MissingMainPageGivesAnEmptyWindow) {
  gtk::MainFrame frame;
  ASSERT_TRUE(frame.Create(PagePath("no_such_main.htm")));
  EXPECT_TRUE(frame.handlers().empty());
  EXPECT_FALSE(frame.page().FindById("page1"));
  gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
}

TEST_F(GuiDialogs, TabsSwitchAndRestore) {
  gtk::MainFrame frame;
  ASSERT_TRUE(frame.Create(PagePath("main.htm")));
  auto& page = frame.page();
  auto state = [&] {
    return page.EvalForTest(
        "const g = (i) => document.getElementById(i);"
        "return [g('page1').className, g('page2').className, g('framepage1').hasAttribute('hidden'),"
        " g('page1_func').hasAttribute('hidden'), g('framepage2').hasAttribute('hidden'),"
        " g('page2_func').hasAttribute('hidden')].join('|');");
  };
  const std::string first = state();
  EXPECT_EQ(first, "page_func btnctrl back_gold|page_func btnctrl back_white|false|false|true|true");
  e2e::SaveScreenshot(page, "main_tab1");
  e2e::ClickInPage(page, "page2");
  EXPECT_TRUE(e2e::WaitFor([&] { return state() != first; }, 3000));
  EXPECT_EQ(state(), "page_func btnctrl back_white|page_func btnctrl back_gold|true|true|false|false");
  e2e::SaveScreenshot(page, "main_tab2");
  e2e::ClickInPage(page, "page1");
  EXPECT_TRUE(e2e::WaitFor([&] { return state() == first; }, 3000));
  gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
}

}  // namespace
}  // namespace orv
