#include "app/dialogs.h"

#include <thread>

namespace orv {

namespace {
DialogBackend* installed = nullptr;

RecordingDialogs& Fallback() {
  static RecordingDialogs fallback;
  return fallback;
}

class QuietSink : public ProgressSink {
 public:
  void WaitReady() override {}
  void SetMessageText(const std::string&) override {}
  void SetProgress(int) override {}
  void ShowMessage(const std::string& text) override { Dialogs().ShowMessage(text, ""); }
  void End() override {}
};

ProgressRunner& Runner() {
  static ProgressRunner runner;
  return runner;
}
}  // namespace

void SetDialogBackend(DialogBackend* backend) { installed = backend; }
DialogBackend& Dialogs() { return installed ? *installed : Fallback(); }

void SetProgressRunner(ProgressRunner runner) { Runner() = std::move(runner); }

void RunWithProgress(const std::function<void(ProgressSink&)>& work) {
  if (Runner()) {
    Runner()(work);
    return;
  }
  QuietSink sink;
  std::thread worker([&] { work(sink); });
  worker.join();
}

}  // namespace orv
