// The upload as the diver runs it: a click on "upload" on the real main page,
// the virtual dive computer on a pty, the local service over TLS, and the
// calendar reloading once the dialog has closed.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/headless/headless_engine.h"
#include "app/string_table.h"
#include "browse/calendar_func.h"
#include "cloud/http_post.h"
#include "device/device_port.h"
#include "devsim_process.h"
#include "seed.h"
#include "sim_server.h"
#include "transfer/upload_func.h"

namespace orv {
namespace {

const std::string kBin = ORVELLE_BIN_DIR;

// Records the worker's side of the progress dialog into the same list as the
// UI thread's message dialogs; the UI thread waits for the worker, so the two
// never write at once.
struct RecordingSink : ProgressSink {
  explicit RecordingSink(RecordingDialogs& d) : dialogs(d) {}
  void WaitReady() override {}
  void SetMessageText(const std::string& t) override { status.push_back(t); }
  void SetProgress(int) override {}
  void ShowMessage(const std::string& t) override { dialogs.messages.push_back(t); }
  void End() override { ++ends; }
  RecordingDialogs& dialogs;
  std::vector<std::string> status;
  int ends = 0;
};

class UploadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A service of its own per test: every test starts with no uploaded dives.
    ASSERT_TRUE(sim.Start());
    sim.Use();
    ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
    State().unit = 0;
    State().page_folder = kBin + "/ENG/";
    SetDialogBackend(&dialogs);
    SetProgressRunner([this](const std::function<void(ProgressSink&)>& work) {
      sink = std::make_unique<RecordingSink>(dialogs);
      std::thread worker([&] { work(*sink); });
      worker.join();
    });
    ASSERT_TRUE(win.LoadFile(kBin + "/ENG/main.htm"));
    auto cal = std::make_unique<CalendarFunc>();
    calendar = cal.get();
    handlers.push_back(std::move(cal));
    auto up = std::make_unique<UploadFunc>(
        device::Deadlines{std::chrono::milliseconds(1500), std::chrono::milliseconds(3000)},
        [this] { calendar->Reload(); });
    upload = up.get();
    upload->set_complete_pause_ms(0);
    handlers.push_back(std::move(up));
    for (auto& h : handlers) h->attach(&win);
    win.SetEventSink(&event_sink);
  }
  void TearDown() override {
    SetProgressRunner({});
    SetDialogBackend(nullptr);
    device::SetDevicePathOverride("");
    win.SetEventSink(nullptr);
  }

  void StartDevice(const std::vector<std::string>& faults = {}) {
    std::vector<std::string> args = {"--log", tmp.File("devsim.log")};
    for (const auto& f : faults) args.insert(args.end(), {"--fault", f});
    devsim = std::make_unique<test::Devsim>(tmp.File("image.bin"), args);
    ASSERT_TRUE(devsim->running());
    device::SetDevicePathOverride(devsim->slave());
  }
  // Open descriptors beside the service connections kept for the next
  // request, which belong to no upload.
  static int Descriptors() {
    CloseKeptConnections();
    return test::OpenDescriptorCount();
  }
  // Clicks "upload" and returns how long the whole operation took.
  double ClickUpload() {
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(win.Click("upload"));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  // The simulator logs the end command a moment after the run has sent it:
  // waits (at most 3 s) for `expected` of them, then gives the count.
  int EndCommands(int expected) {
    auto count = [&] {
      auto lines = test::ReadLines(tmp.File("devsim.log"));
      return static_cast<int>(
          std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("rx 9997", 0) == 0; }));
    };
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (count() < expected && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return count();
  }
  int DiveDays(int month) {
    int days = 0;
    for (const auto& cell : calendar->month().cells) days += cell.cls == kClassDiveDay && cell.date.month == month;
    return days;
  }
  std::vector<std::string> Texts(std::initializer_list<const char*> keys) {
    std::vector<std::string> out;
    for (const char* k : keys) out.push_back(Tr(k));
    return out;
  }

  test::SimServer sim;
  test::TempDir tmp;
  RecordingDialogs dialogs;
  std::unique_ptr<RecordingSink> sink;
  std::unique_ptr<test::Devsim> devsim;
  HeadlessWindow win;
  HandlerList handlers;
  HandlerListSink event_sink{handlers};
  CalendarFunc* calendar = nullptr;
  UploadFunc* upload = nullptr;
};

TEST_F(UploadTest, DivesOfTheDeviceAppearInTheCalendarAndAgainUploadAddsNothing) {
  StartDevice();
  ASSERT_EQ(calendar->ShowMonth(2024, 7).key(), "");
  ASSERT_EQ(DiveDays(7), 0);
  const int fds = Descriptors();
  EXPECT_LT(ClickUpload(), 30);
  std::string added = Tr("UPLOAD_ADDED");
  added.replace(added.find("%d"), 2, "13");
  EXPECT_EQ(dialogs.messages, std::vector<std::string>{added});
  ASSERT_TRUE(sink);
  EXPECT_EQ(sink->ends, 1);
  EXPECT_EQ(sink->status.back(), Tr("COMPLETE_UPLOAD"));
  EXPECT_EQ(upload->last_outcome().steps_posted, 1 + 13);  // the directory, then every dive
  EXPECT_EQ(EndCommands(1), 1);
  EXPECT_EQ(Descriptors(), fds);  // port closed, connection gone
  // The calendar turned to the month of the newest dive, with its days.
  EXPECT_EQ(calendar->month().year * 100 + calendar->month().month, 202408);
  EXPECT_EQ(DiveDays(8), 2);
  // The trip of 12-14 July.
  ASSERT_EQ(calendar->ShowMonth(2024, 7).key(), "");
  EXPECT_EQ(DiveDays(7), 3);
  int day = -1;
  for (int i = 0; i < 42 && day < 0; ++i)
    if (calendar->month().cells[i].cls == kClassDiveDay && calendar->month().cells[i].date.day == 14) day = i;
  ASSERT_GE(day, 0);
  std::vector<DayRow> rows;
  ASSERT_EQ(calendar->OpenDay(day, &rows).key(), "");
  EXPECT_EQ(rows.size(), 4u);  // the freediving session

  // The service already holds every dive: only the directory is read again,
  // and the diver is told there was nothing new.
  dialogs.messages.clear();
  ClickUpload();
  EXPECT_EQ(dialogs.messages, Texts({"UPLOAD_NOTHING_NEW"}));
  EXPECT_EQ(upload->last_outcome().steps_posted, 1);
  EXPECT_EQ(EndCommands(2), 2);
}

TEST_F(UploadTest, NoDeviceAndUnsupportedDevice) {
  device::SetDevicePathOverride(tmp.File("no-such-tty"));
  ClickUpload();
  EXPECT_EQ(dialogs.messages, Texts({"USB_NOT_CONN"}));
  EXPECT_FALSE(sink);  // no worker was started

  dialogs.messages.clear();
  StartDevice({"wrong-command=1"});  // the identify reply comes back as an echo
  const int fds = Descriptors();
  EXPECT_LT(ClickUpload(), 10);
  EXPECT_EQ(dialogs.messages, Texts({"NOT_SUPPOR_DEVICE"}));
  EXPECT_EQ(EndCommands(0), 0);  // a device that fails the identify gets nothing more
  EXPECT_EQ(Descriptors(), fds);
}

TEST_F(UploadTest, DeviceFailingMidReadEndsWithEndCommand) {
  // Packets the device sends: the identify reply, 129 for the directory, then
  // the dives' ranges; the 400th is out of step, inside the second dive.
  StartDevice({"wrong-index=400"});
  const int fds = Descriptors();
  EXPECT_LT(ClickUpload(), 20);
  EXPECT_EQ(dialogs.messages, Texts({"USB_ERROR"}));  // the cause alone
  EXPECT_EQ(sink->ends, 1);
  EXPECT_EQ(upload->last_outcome().steps_posted, 2);  // directory and the first dive stand
  EXPECT_EQ(EndCommands(1), 1);
  EXPECT_EQ(Descriptors(), fds);
  ASSERT_EQ(calendar->ShowMonth(2024, 7).key(), "");
  EXPECT_EQ(DiveDays(7), 1);
}

TEST_F(UploadTest, ServiceFailingMidRelayEndsWithEndCommand) {
  StartDevice();
  ASSERT_TRUE(sim.SetFault("upload_dives", "html500"));
  EXPECT_LT(ClickUpload(), 20);
  EXPECT_EQ(dialogs.messages, Texts({"HOST_ERROR"}));
  EXPECT_EQ(upload->last_outcome().steps_posted, 2);
  EXPECT_EQ(EndCommands(1), 1);

  dialogs.messages.clear();
  ASSERT_TRUE(sim.SetFault("upload_dives", "none"));
  ASSERT_TRUE(sim.SetFault("header_info", "badcode"));
  ClickUpload();
  EXPECT_EQ(dialogs.messages, Texts({"NOT_SUPPOR_DEVICE"}));
  EXPECT_EQ(upload->last_outcome().steps_posted, 0);
  EXPECT_EQ(EndCommands(2), 2);

  dialogs.messages.clear();
  ASSERT_TRUE(sim.SetFault("header_info", "stall"));
  EXPECT_LT(ClickUpload(), 20);  // the transfer's stall limit ends it
  EXPECT_EQ(dialogs.messages, Texts({"HOST_NOT_CONN"}));
  EXPECT_EQ(EndCommands(3), 3);

  // The service reads a dive's post, then closes the connection the earlier
  // requests came over without answering: the dive went out once, and the
  // run ends there.
  dialogs.messages.clear();
  ASSERT_TRUE(sim.SetFault("header_info", "none"));
  ASSERT_TRUE(sim.SetFault("upload_dives", "drop"));
  const int posted = sim.Hits("upload_dives");
  EXPECT_LT(ClickUpload(), 20);
  EXPECT_EQ(sim.Hits("upload_dives"), posted + 1);
  EXPECT_EQ(dialogs.messages, Texts({"HOST_NOT_CONN"}));
  EXPECT_EQ(upload->last_outcome().steps_posted, 2);
  EXPECT_EQ(EndCommands(4), 4);
}

}  // namespace
}  // namespace orv
