// The updates end to end: orvelle-cloudsim offers the information and the
// files over TLS, orvelle-devsim is the dive computer on a pty, and
// UpdateFunc runs on the headless engine with the real main page, a
// recording dialog backend and a progress runner that records the worker's
// texts.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/headless/headless_engine.h"
#include "app/string_table.h"
#include "cloud/http_post.h"
#include "device/device_port.h"
#include "device_test_support.h"
#include "shared_sim_test.h"
#include "sim_server.h"
#include "transfer/update_func.h"
#include "update_catalogue.h"

namespace orv::test {

// What the worker wrote into the progress dialog.
class RecordingProgress : public ProgressSink {
 public:
  void WaitReady() override {}
  void SetMessageText(const std::string& text) override { Add(statuses, text); }
  void SetDetailText(const std::string& text) override { Add(details, text); }
  void SetProgress(int value) override {
    std::lock_guard lock(mutex_);
    values.push_back(value);
  }
  void ShowMessage(const std::string& text) override { Add(messages, text); }
  void End() override {
    std::lock_guard lock(mutex_);
    ++ends;
  }

  void Reset() {
    std::lock_guard lock(mutex_);
    statuses.clear();
    details.clear();
    messages.clear();
    values.clear();
    ends = 0;
  }

  std::vector<std::string> statuses, details, messages;
  std::vector<int> values;
  int ends = 0;

 private:
  void Add(std::vector<std::string>& to, const std::string& text) {
    std::lock_guard lock(mutex_);
    to.push_back(text);
  }
  std::mutex mutex_;
};

class UpdateTest : public SharedSim<DevsimTest> {
 protected:
  static void SetUpTestSuite() {
    // The data folder is fixed on first use: a private documents folder.
    static TempDir* home = new TempDir();
    setenv("HOME", home->path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home->path() + "/.config").c_str(), 1);
    std::filesystem::create_directories(home->path() + "/.config");
    std::ofstream(home->path() + "/.config/user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n";
    SharedSim::SetUpTestSuite();
  }

  void SetUp() override {
    SharedSim::SetUp();
    for (const char* endpoint : {"firmware_update", "divesite_update", "update_file"})
      ASSERT_TRUE(server_->SetFault(endpoint, "none"));
    ASSERT_TRUE(SetFileMode("normal"));
    for (const char* name : {"features.json", "divesite.json", "data1.bin", "data2.bin", "ds1.bin"})
      std::filesystem::remove(DataFolder() + name);
    SetDialogBackend(&dialogs_);
    SetProgressRunner([this](const std::function<void(ProgressSink&)>& work) {
      std::thread worker([&] { work(progress_); });
      worker.join();
    });
    ASSERT_TRUE(window_.LoadFile(std::string(ORVELLE_BIN_DIR) + "/ENG/main.htm"));
    auto func = std::make_unique<UpdateFunc>(kShort);
    func->set_ending_pause(std::chrono::milliseconds(20));
    func_ = func.get();
    handlers_.push_back(std::move(func));
    handlers_[0]->attach(&window_);
    window_.SetEventSink(&sink_);
    descriptors_ = OpenDescriptorCount();
  }
  void TearDown() override {
    handlers_[0]->detach();
    window_.SetEventSink(nullptr);
    SetProgressRunner(nullptr);
    SetDialogBackend(nullptr);
    device::SetDevicePathOverride("");
    // Whatever happened, nothing of the run is still open.
    EXPECT_EQ(OpenDescriptorCount(), descriptors_);
  }

  void StartSim(std::vector<std::string> args = {}) {
    Start(std::move(args));
    device::SetDevicePathOverride(sim_->slave());
  }
  static bool SetFileMode(const std::string& mode) { return server_->SetUpdateMode(mode); }
  std::string ImageBytes(uint32_t address, std::size_t size) const {
    std::string bytes(size, '\0');
    int fd = ::open(image().c_str(), O_RDONLY);
    EXPECT_EQ(::pread(fd, bytes.data(), size, address), static_cast<ssize_t>(size));
    ::close(fd);
    return bytes;
  }
  static std::string Written(uint32_t address, const char* how = " ok") {
    return "write " + std::to_string(address) + how;
  }

  RecordingDialogs dialogs_;
  RecordingProgress progress_;
  HeadlessWindow window_;
  HandlerList handlers_;
  HandlerListSink sink_{handlers_};
  UpdateFunc* func_ = nullptr;
  int descriptors_ = 0;
};

}  // namespace orv::test
