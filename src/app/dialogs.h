// The modal dialogs page handlers open: message, confirmation, about, and the
// progress dialog of the long device operations. The desktop program installs
// the GTK implementation; without one (orvelle-cli, page tests) a recording
// backend answers, so handlers run unchanged everywhere.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/cancellable.h"
#include "app/wait_purpose.h"

namespace orv {

class DialogBackend {
 public:
  virtual ~DialogBackend() = default;
  virtual void ShowMessage(const std::string& text, const std::string& second) = 0;
  virtual bool AskYesNo(const std::string& text) = 0;
  virtual void ShowAbout() = 0;
};

// Records what would have been shown; AskYesNo answers `yes_answer`.
class RecordingDialogs : public DialogBackend {
 public:
  void ShowMessage(const std::string& text, const std::string& second) override {
    messages.push_back(second.empty() ? text : text + "\n" + second);
  }
  bool AskYesNo(const std::string& text) override {
    questions.push_back(text);
    return yes_answer;
  }
  void ShowAbout() override { ++about_count; }

  std::vector<std::string> messages;
  std::vector<std::string> questions;
  bool yes_answer = true;
  int about_count = 0;
};

// Installs `backend` (not owned); null restores the process's recording one.
void SetDialogBackend(DialogBackend* backend);
DialogBackend& Dialogs();

// Message dialog with a main and a second text, owned by the active window.
// None once the diver has cancelled the operation's wait: what follows a
// Cancel is the diver's own doing, not a failure to report.
inline void ShowMessage(const std::string& text, const std::string& second = "") {
  if (!WaitOperation().IsCancelled()) Dialogs().ShowMessage(text, second);
}
// Confirmation dialog; true when the diver pressed ok.
inline bool AskYesNo(const std::string& text) { return Dialogs().AskYesNo(text); }

// What a worker thread sees of the progress dialog it runs behind.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // Waits (at most 1000 ms) until the dialog's page is ready.
  virtual void WaitReady() = 0;
  virtual void SetMessageText(const std::string& text) = 0;
  // The second status line (MsgText2); dialogs without one ignore it.
  virtual void SetDetailText(const std::string& text) { (void)text; }
  virtual void SetProgress(int value) = 0;
  // Shows a message dialog and blocks the worker until it is closed.
  virtual void ShowMessage(const std::string& text) = 0;
  virtual void End() = 0;
  // The operation the dialog's Cancel cancels; null for dialogs that offer
  // none (a device write must not be left half done).
  virtual Cancellable* CancelButton() { return nullptr; }
};

// Runs `work` on a worker thread behind a progress dialog and returns once
// the worker has ended the dialog and finished. The desktop program installs
// the GTK runner; the default runs `work` on a thread with a sink that
// discards the texts (orvelle-cli prints them through its own sink).
using ProgressRunner = std::function<void(const std::function<void(ProgressSink&)>& work)>;
void SetProgressRunner(ProgressRunner runner);
void RunWithProgress(const std::function<void(ProgressSink&)>& work);

}  // namespace orv
