// "Export Log Book…" in the real main window, in both languages: the month
// dialog (refusing a reversed range), the export behind its progress dialog
// against orvelle-cloudsim, and the closing message with the counts.
#include <gtest/gtest.h>

#include <tinyxml2.h>

#include <chrono>
#include <filesystem>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/page_folder.h"
#include "app/string_table.h"
#include "browse/month_grid.h"
#include "cli_runner.h"
#include "cloud/service_config.h"
#include "desktop/export_ui_gtk.h"
#include "desktop/generic_dialogs.h"
#include "desktop/main_frame.h"
#include "e2e/gui_sim_test.h"
#include "seed.h"
#include "values/months.h"

namespace orv {
namespace {

// The native save dialog cannot be driven from a test; everything else is
// the desktop program's own.
struct FixedFile : gtk::ExportUiGtk {
  std::string path;
  std::optional<std::string> ChooseFile() override { return path; }
};

std::string Text(gtk::WebKitWindow& w, const std::string& id) {
  return w.EvalForTest("return document.getElementById('" + id + "').textContent;");
}

void SetMonth(gtk::WebKitWindow& w, const std::string& id, const std::string& value) {
  w.EvalForTest("const e = document.getElementById('" + id + "'); e.value = '" + value +
                "'; e.dispatchEvent(new Event('input', {bubbles: true})); return '';");
}

class GuiExport : public e2e::GuiSimTest {
 protected:
  // The main window in `lang`, its export writing to `file`.
  void OpenMain(gtk::MainFrame& frame, FixedFile& file, const std::string& lang) {
    e2e::UseLanguage(lang);
    ASSERT_TRUE(frame.Create(PagePath("main.htm")));
    e2e::HandlerOf<ExportFunc>(frame)->set_ui(&file);
  }
};

TEST_F(GuiExport, MonthsProgressAndCountsInBothLanguages) {
  ScaleX = ScaleY = 1.0f;
  State().unit = 0;
  ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
  gtk::GtkDialogs dialogs;
  SetDialogBackend(&dialogs);
  const MonthRange last12 = LastTwelveMonths();

  for (const std::string lang : {"ENG", "CHT"}) {
    SCOPED_TRACE(lang);
    gtk::MainFrame frame;
    FixedFile file;
    file.path = server->dir() + "/logbook_" + lang + (lang == "ENG" ? ".uddf" : ".csv");
    OpenMain(frame, file, lang);

    std::string defaults, refusal, progress, message, second;
    e2e::Observe(
        [&](gtk::DialogPage& dlg) {
          auto& w = dlg.window();
          if (dlg.PageName() == "export.htm") {
            defaults = w.EvalForTest(
                "return document.getElementById('export_from').value + ' ' +"
                " document.getElementById('export_to').value;");
            SetMonth(w, "export_from", "2024-06");
            SetMonth(w, "export_to", "2024-05");
            e2e::ClickInPage(w, "ok");
            e2e::WaitFor([&] { return !(refusal = Text(w, "message")).empty(); }, 5000);
            e2e::SaveScreenshot(w, "export_range_refused_" + lang);
            SetMonth(w, "export_from", "2024-05");
            SetMonth(w, "export_to", "2024-06");
            e2e::SaveScreenshot(w, "export_range_" + lang);
            e2e::ClickInPage(w, "ok");
          } else if (dlg.PageName() == "export_progress.htm") {
            e2e::WaitFor([&] { return !(progress = Text(w, "MsgText2")).empty(); }, 10000);
            e2e::SaveScreenshot(w, "export_progress_" + lang);
          } else if (dlg.PageName() == "msg.htm") {
            message = Text(w, "MsgText1");
            second = Text(w, "MsgText2");
            e2e::SaveScreenshot(w, "export_done_" + lang);
            e2e::ClickInPage(w, "ok");
          }
        },
        60000);
    e2e::SaveScreenshot(frame.page(), "export_button_" + lang);
    e2e::ClickInPage(frame.page(), "export_logbook");
    e2e::Observe(nullptr);

    EXPECT_EQ(defaults,
              MonthLabel(last12.from_year, last12.from_month) + " " + MonthLabel(last12.to_year, last12.to_month));
    EXPECT_EQ(refusal, Tr("EXPORT_BAD_RANGE"));
    EXPECT_FALSE(progress.empty());
    ExportResult twenty;
    twenty.written = 20;  // two monthly trips of ten dives
    EXPECT_EQ(message, ExportSummary(twenty));
    EXPECT_EQ(second, file.path);
    const std::string text = test::SlurpFile(file.path);
    if (lang == "ENG") {
      tinyxml2::XMLDocument doc;
      EXPECT_EQ(doc.Parse(text.c_str()), tinyxml2::XML_SUCCESS);
    } else {
      EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 21);  // header and 20 rows
      EXPECT_NE(text.find(Tr("FREEDIVE")), std::string::npos);    // words in the diver's language
    }
    gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
  }
  SetDialogBackend(nullptr);
  LanguageCode = "ENG";
}

// Cancel in the progress dialog, while the service holds a record request
// unanswered: the export ends within a second, says nothing (the diver
// chose it) and leaves no file, in both languages.
TEST_F(GuiExport, CancelEndsAStalledExportWithoutFile) {
  ScaleX = ScaleY = 1.0f;
  ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
  gtk::GtkDialogs dialogs;
  SetDialogBackend(&dialogs);
  Service().stall_seconds = 60;  // only Cancel can end the wait
  ASSERT_TRUE(server->SetFault("divelog", "stall"));
  for (const std::string lang : {"ENG", "CHT"}) {
    SCOPED_TRACE(lang);
    gtk::MainFrame frame;
    FixedFile file;
    file.path = server->dir() + "/cancelled_" + lang + ".uddf";
    OpenMain(frame, file, lang);
    std::vector<std::string> pages;
    std::string told;  // a message would say the diver's stop was taken for a failure
    std::chrono::steady_clock::time_point clicked;
    e2e::Observe(
        [&](gtk::DialogPage& dlg) {
          pages.push_back(dlg.PageName());
          if (dlg.PageName() == "export.htm") {
            SetMonth(dlg.window(), "export_from", "2024-05");
            SetMonth(dlg.window(), "export_to", "2024-06");
            e2e::ClickInPage(dlg.window(), "ok");
          } else if (dlg.PageName() == "export_progress.htm") {
            e2e::WaitFor([&] { return !Text(dlg.window(), "MsgText2").empty(); }, 10000);
            g_usleep(500 * 1000);  // the first record request is now held by the service
            e2e::SaveScreenshot(dlg.window(), "export_cancel_" + lang);
            clicked = std::chrono::steady_clock::now();
            e2e::ClickInPage(dlg.window(), "cancel");
          } else if (dlg.PageName() == "msg.htm") {
            told = Text(dlg.window(), "MsgText1");
            e2e::ClickInPage(dlg.window(), "ok");
          }
        },
        60000);
    e2e::ClickInPage(frame.page(), "export_logbook");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - clicked).count();
    e2e::Observe(nullptr);
    EXPECT_EQ(pages, (std::vector<std::string>{"export.htm", "export_progress.htm"})) << told;
    EXPECT_LT(seconds, 2.0);  // libcurl looks at Cancel once a second
    EXPECT_FALSE(std::filesystem::exists(file.path));
    gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
  }
  server->SetFault("divelog", "none");
  server->Use();
  SetDialogBackend(nullptr);
  LanguageCode = "ENG";
}

}  // namespace
}  // namespace orv
