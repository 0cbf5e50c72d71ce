// The diver clicks "Upload Dive Logs" in the real main window: the progress
// dialog runs while the worker moves the virtual dive computer's dives to the
// local service, and the calendar shows them afterwards.
#include <gtest/gtest.h>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "desktop/main_frame.h"
#include "desktop/progress_dialog.h"
#include "app/page_folder.h"
#include "app/string_table.h"
#include "browse/calendar_func.h"
#include "device/device_port.h"
#include "devsim_process.h"
#include "e2e/gui_support.h"
#include "seed.h"
#include "sim_server.h"

namespace orv {
namespace {

TEST(GuiUpload, DivesMoveFromTheDiveComputerToTheCalendar) {
  ORV_REQUIRE_DISPLAY();
  test::SimServer server;
  ASSERT_TRUE(server.Start());
  server.Use();
  test::TempDir tmp;
  test::Devsim devsim(tmp.File("image.bin"));
  ASSERT_TRUE(devsim.running());
  device::SetDevicePathOverride(devsim.slave());
  LanguageCode = "ENG";
  State().unit = 0;
  State().page_folder = MakePageFolder(ProgramFolder(), "ENG");
  ScaleX = ScaleY = 1.0f;
  ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword), "");
  gtk::InstallProgressRunner();

  gtk::MainFrame frame;
  ASSERT_TRUE(frame.Create(PagePath("main.htm")));
  CalendarFunc* calendar = nullptr;
  for (auto& h : frame.handlers())
    if (auto* c = dynamic_cast<CalendarFunc*>(h.get())) calendar = c;
  ASSERT_NE(calendar, nullptr);
  ASSERT_EQ(calendar->ShowMonth(2024, 7), "");
  auto dive_days = [&] {
    int days = 0;
    for (const auto& cell : calendar->month().cells) days += cell.cls == kClassDiveDay && cell.date.month == 7;
    return days;
  };
  EXPECT_EQ(dive_days(), 0);

  std::string last_status;
  bool saw_progress = false;
  e2e::Observe([&](gtk::DialogPage& page) {
    if (page.PageName() != "progress.htm") return;
    saw_progress = true;
    // Picture the dialog once the worker is reading dives.
    e2e::WaitFor([&] {
      last_status = page.window().EvalForTest("return document.getElementById('MsgText1').textContent;");
      return last_status == Tr("UPLOAING_LOG") || last_status == Tr("READING_LOG");
    }, 10000);
    e2e::SaveScreenshot(page.window(), "upload_progress");
  }, 60000);
  e2e::ClickInPage(frame.page(), "upload");
  // The click returns once the upload's dialog has closed; the calendar's
  // reload arrives as a posted "synclog" click after that.
  EXPECT_TRUE(saw_progress);
  e2e::WaitFor([] { return false; }, 1500);
  ASSERT_EQ(calendar->ShowMonth(2024, 7), "");
  EXPECT_GT(dive_days(), 0);
  e2e::SaveScreenshot(frame.page(), "after_upload");
  e2e::Observe(nullptr);
  SetProgressRunner(nullptr);
  device::SetDevicePathOverride("");
  gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
}

}  // namespace
}  // namespace orv
