// The message, confirmation and about dialogs, and the dialog backend that
// page handlers reach through ShowMessage / AskYesNo.
#pragma once

#include <string>

#include "app/dialogs.h"
#include "desktop/page_dialog.h"

namespace orv::gtk {

class MsgDlg : public DialogPage {
 public:
  MsgDlg(std::string text, std::string second) : text_(std::move(text)), second_(std::move(second)) {}
  int LogicalWidth() const override { return 280; }
  int LogicalHeight() const override { return 160; }
  std::string PageName() const override { return "msg.htm"; }
  void Fill() override;
  void OnEvent(const ElementRef& element, const PageEvent& event) override;

 private:
  std::string text_, second_;
};

class YesNoDlg : public DialogPage {
 public:
  explicit YesNoDlg(std::string text) : text_(std::move(text)) {}
  int LogicalWidth() const override { return 280; }
  int LogicalHeight() const override { return 140; }
  std::string PageName() const override { return "yes_no.htm"; }
  void Fill() override;
  void OnEvent(const ElementRef& element, const PageEvent& event) override;

 private:
  std::string text_;
};

class AboutDlg : public DialogPage {
 public:
  int LogicalWidth() const override { return 320; }
  int LogicalHeight() const override { return 180; }
  int CaptionBand() const override { return 30; }
  std::string PageName() const override { return "about.htm"; }
  void OnEvent(const ElementRef& element, const PageEvent& event) override;
};

// Runs the dialogs on the UI thread; a call from a worker thread is handed
// to the UI thread and blocks the worker until the dialog is closed.
class GtkDialogs : public DialogBackend {
 public:
  void ShowMessage(const std::string& text, const std::string& second) override;
  bool AskYesNo(const std::string& text) override;
  void ShowAbout() override;
};

// Runs `task` on the UI thread and waits for it (directly when already there).
void RunOnUiThread(const std::function<void()>& task);
// Records the calling thread as the UI thread.
void MarkUiThread();
bool OnUiThread();

}  // namespace orv::gtk
