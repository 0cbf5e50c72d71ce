// The diver clicks "Upload Dive Logs" in the real main window: the progress
// dialog runs while the worker moves the virtual dive computer's dives to the
// local service, and the calendar shows them afterwards.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/cancellable.h"
#include "app/page_folder.h"
#include "app/stop_request.h"
#include "app/string_table.h"
#include "browse/calendar_func.h"
#include "desktop/generic_dialogs.h"
#include "desktop/main_frame.h"
#include "desktop/progress_dialog.h"
#include "desktop/stop_signals.h"
#include "device/device_port.h"
#include "device/device_session.h"
#include "e2e/gui_device.h"
#include "e2e/gui_support.h"
#include "seed.h"
#include "spawn_program.h"

namespace orv {
namespace {

TEST(GuiUpload, DivesMoveFromTheDiveComputerToTheCalendar) {
  ORV_REQUIRE_DISPLAY();
  e2e::ServiceAndDevice sims;
  ASSERT_TRUE(sims.running());
  LanguageCode = "ENG";
  State().unit = 0;
  State().page_folder = MakePageFolder(ProgramFolder(), "ENG");
  ScaleX = ScaleY = 1.0f;
  ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
  gtk::InstallProgressRunner();

  gtk::MainFrame frame;
  ASSERT_TRUE(frame.Create(PagePath("main.htm")));
  CalendarFunc* calendar = nullptr;
  for (auto& h : frame.handlers())
    if (auto* c = dynamic_cast<CalendarFunc*>(h.get())) calendar = c;
  ASSERT_NE(calendar, nullptr);
  ASSERT_EQ(calendar->ShowMonth(2024, 7).key(), "");
  auto dive_days = [&] {
    int days = 0;
    for (const auto& cell : calendar->month().cells) days += cell.cls == kClassDiveDay && cell.date.month == 7;
    return days;
  };
  EXPECT_EQ(dive_days(), 0);

  gtk::GtkDialogs dialogs;
  SetDialogBackend(&dialogs);
  std::string last_status, told;
  bool saw_progress = false;
  e2e::Observe(
      [&](gtk::DialogPage& page) {
        if (page.PageName() == "msg.htm") {  // the outcome, once the progress has closed
          told = page.window().EvalForTest("return document.getElementById('MsgText1').textContent;");
          e2e::SaveScreenshot(page.window(), "upload_done");
          e2e::ClickInPage(page.window(), "ok");
          return;
        }
        if (page.PageName() != "progress.htm") return;
        saw_progress = true;
        // Picture the dialog once the worker is reading dives.
        e2e::WaitFor(
            [&] {
              last_status = page.window().EvalForTest("return document.getElementById('MsgText1').textContent;");
              return last_status == Tr("UPLOAING_LOG") || last_status == Tr("READING_LOG");
            },
            10000);
        e2e::SaveScreenshot(page.window(), "upload_progress");
      },
      60000);
  e2e::ClickInPage(frame.page(), "upload");
  // The click returns once the upload's dialog has closed; the calendar's
  // reload runs from the main loop after that.
  EXPECT_TRUE(saw_progress);
  std::string added = Tr("UPLOAD_ADDED");
  added.replace(added.find("%d"), 2, "13");
  EXPECT_EQ(told, added);
  // The calendar turns to the newest dive's month by itself.
  EXPECT_TRUE(e2e::WaitFor([&] { return calendar->month().year == 2024 && calendar->month().month == 8; }, 5000));
  e2e::WaitFor([] { return false; }, 500);
  e2e::SaveScreenshot(frame.page(), "after_upload");
  ASSERT_EQ(calendar->ShowMonth(2024, 7).key(), "");
  EXPECT_GT(dive_days(), 0);
  e2e::Observe(nullptr);
  SetDialogBackend(nullptr);
  SetProgressRunner(nullptr);
  gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
}

// SIGTERM, or the main window closing, while the upload reads the dive
// computer: the worker stops, the device gets its end command, the port is
// free again and the progress dialog goes.
TEST(GuiUpload, SignalOrClosingStopsTheUploadWithTheEndCommand) {
  ORV_REQUIRE_DISPLAY();
  e2e::ServiceAndDevice sims({"--fault", "trickle=100"});
  ASSERT_TRUE(sims.running());
  const std::string log = sims.log();
  LanguageCode = "ENG";
  State().page_folder = MakePageFolder(ProgramFolder(), "ENG");
  ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
  bool program_ended = false;
  gtk::InstallProgressRunner([&] { program_ended = true; });
  gtk::InstallStopSignals();
  gtk::MainFrame frame;
  ASSERT_TRUE(frame.Create(PagePath("main.htm")));
  gtk::StopOperationOnClose(frame.gtk_window());
  auto ends = [&] {
    size_t n = 0;
    for (const std::string& line : test::ReadLines(log)) n += line.rfind("rx 9997", 0) == 0;
    return n;
  };

  const std::function<void()> stops[] = {
      [] { ::kill(::getpid(), SIGTERM); },
      [&] {
        GdkEvent* event = gdk_event_new(GDK_DELETE);
        gboolean kept = FALSE;
        g_signal_emit_by_name(frame.gtk_window(), "delete-event", event, &kept);
        gdk_event_free(event);
        EXPECT_TRUE(kept);  // the window waits for the worker
      },
  };
  for (size_t i = 0; i < std::size(stops); ++i) {
    SCOPED_TRACE(i);
    const size_t ends_before = ends();
    program_ended = false;
    bool reading = false;
    e2e::Observe(
        [&](gtk::DialogPage& page) {
          if (page.PageName() != "progress.htm") return;
          // Once the worker is inside a block read.
          reading = e2e::WaitFor(
              [&] {
                for (const std::string& line : test::ReadLines(log))
                  if (line.rfind("rx 0001", 0) == 0) return true;
                return false;
              },
              10000);
          stops[i]();
        },
        60000);
    e2e::ClickInPage(frame.page(), "upload");
    EXPECT_TRUE(reading);
    EXPECT_TRUE(ProgramStop().IsCancelled());
    EXPECT_EQ(StopSignal(), i == 0 ? SIGTERM : 0);
    EXPECT_TRUE(program_ended);
    EXPECT_TRUE(e2e::WaitFor([&] { return ends() > ends_before; }, 3000));
    device::DeviceSession session;
    EXPECT_TRUE(session.Open(sims.devsim.slave())) << session.error();
    ClearStopRequest();
  }
  e2e::Observe(nullptr);
  SetProgressRunner(nullptr);
  gtk_widget_destroy(GTK_WIDGET(frame.gtk_window()));
}

// The program itself, stopped by a signal where it waits for the diver: it
// ends with 128 + the signal and says so in one line on stderr.
TEST(GuiProgram, ASignalEndsTheProgramWithALineNamingIt) {
  const std::string home = ::testing::TempDir() + "/signal-home-" + std::to_string(::getpid());
  const std::string err = home + ".err";
  const pid_t pid = test::SpawnProgram(
      {ORVELLE_BIN_DIR "/orvelle-pc-tool", "--service", "127.0.0.1:1"},
      {"HOME=" + home, "XDG_CONFIG_HOME=" + home + "/config", "XDG_DATA_HOME=" + home + "/data"}, {"", err});
  ASSERT_GT(pid, 0);
  // Ready when the program catches SIGTERM itself (its signal source is in
  // place), as the kernel reports it.
  auto catches_term = [pid] {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1;
    return 0ull;
  };
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!catches_term() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ::kill(pid, SIGTERM);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by the signal instead of stopping";
  EXPECT_EQ(WEXITSTATUS(status), 143);
  std::ifstream in(err);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("orvelle-pc-tool: stopped by SIGTERM\n"), std::string::npos) << text.str();
}

}  // namespace
}  // namespace orv
