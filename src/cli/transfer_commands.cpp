// orvelle-cli commands that move data between the dive computer, files and
// the service: upload, the two updates, and the dive-site lists.
#include <iostream>

#include "app/cancellable.h"
#include "app/dialogs.h"
#include "app/message_keys.h"
#include "app/stop_request.h"
#include "cli/cli.h"
#include "cli/progress_line.h"
#include "cli/service_session.h"
#include "device/device_port.h"
#include "sites/ds_file.h"
#include "sites/site_transfer.h"
#include "transfer/update_func.h"
#include "transfer/upload_func.h"

namespace orv::cli {

namespace {

// Messages go to stderr; a question is answered yes only with --yes, so a
// script never writes to the dive computer by accident.
class TerminalDialogs : public DialogBackend {
 public:
  explicit TerminalDialogs(bool yes) : yes_(yes) {}
  void ShowMessage(const std::string& text, const std::string& second) override {
    if (ProgramStop().IsCancelled()) return;  // main reports the stop instead
    std::cerr << text << (second.empty() ? "" : "\n" + second) << "\n";
  }
  bool AskYesNo(const std::string& text) override {
    std::cerr << text << (yes_ ? " [--yes]\n" : "\n(not confirmed: repeat with --yes)\n");
    asked_ = true;
    return yes_;
  }
  void ShowAbout() override {}
  bool declined() const { return asked_ && !yes_; }

 private:
  bool yes_;
  bool asked_ = false;
};

// The long operations on stderr: one updating line on a terminal, a line
// per status change otherwise.
class TerminalProgress : public ProgressSink {
 public:
  void WaitReady() override {}
  void SetMessageText(const std::string& text) override {
    status_ = text;
    Show();
  }
  void SetDetailText(const std::string& text) override {
    counts_ = text;
    Show();
  }
  void SetProgress(int value) override {
    percent_ = value;
    Show();
  }
  void ShowMessage(const std::string& text) override {
    if (!ProgramStop().IsCancelled()) line_.Print(text);
  }
  void End() override {}

 private:
  // After a stop the failure the stop caused is not news; main says why.
  void Show() {
    if (!ProgramStop().IsCancelled()) line_.Update(status_, counts_, percent_);
  }
  ProgressLine line_{std::cerr};
  std::string status_, counts_;
  int percent_ = -1;
};

// Installs the terminal dialogs and progress for one command.
class TerminalScope {
 public:
  explicit TerminalScope(const Options& options) : dialogs_(options.yes) {
    SetDialogBackend(&dialogs_);
    SetProgressRunner([](const std::function<void(ProgressSink&)>& work) {
      TerminalProgress sink;
      work(sink);
    });
    if (!options.device.empty()) device::SetDevicePathOverride(options.device);
  }
  ~TerminalScope() {
    SetProgressRunner(nullptr);
    SetDialogBackend(nullptr);
  }
  const TerminalDialogs& dialogs() const { return dialogs_; }

 private:
  StopSignalScope stop_signals_;
  TerminalDialogs dialogs_;
};

int Finish(const TerminalScope& scope, const std::string& key, std::initializer_list<std::string> success) {
  if (scope.dialogs().declined()) return 2;
  for (const std::string& ok : success)
    if (key == ok) return 0;
  return Fail(key);
}

int Upload(const Options& options, const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError("upload takes no arguments");
  if (int rc = StartServiceSession(options)) return rc;
  TerminalScope scope(options);
  UploadFunc upload;  // no calendar to reload
  const int rc = Finish(scope, upload.Upload().key(), {""});
  if (rc == 0 && upload.last_outcome().dives_added > 0) RefreshSavedCopyAfterUpload();
  return rc;
}

// update-fw and update-ds: the same steps for either kind of file.
int Update(const Options& options, const std::vector<std::string>& args, const char* name,
           MessageKey (UpdateFunc::*run)()) {
  if (!args.empty()) return UsageError(std::string(name) + " takes no arguments");
  if (int rc = ApplyServiceOptions(options)) return rc;
  TerminalScope scope(options);
  UpdateFunc update;
  return Finish(scope, (update.*run)(), {KeyOf(Msg::UpdateComplete)});
}

int UpdateFirmware(const Options& options, const std::vector<std::string>& args) {
  return Update(options, args, "update-fw", &UpdateFunc::UpdateFirmware);
}

int UpdateDiveSites(const Options& options, const std::vector<std::string>& args) {
  return Update(options, args, "update-ds", &UpdateFunc::UpdateDiveSites);
}

int SitesRead(const Options& options, const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError("sites-read needs FILE.ds");
  TerminalScope scope(options);
  sites::DiveSiteLists lists;
  sites::TransferResult result = sites::ReadSitesFromDevice(lists);
  if (!result.ok()) return Finish(scope, result.key, {});
  std::string error;
  if (ProgramStop().IsCancelled()) return 1;
  if (!sites::ExportDsFile(lists, args[0], &error)) return FailWrite(error);
  return 0;
}

int SitesWrite(const Options& options, const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError("sites-write needs FILE.ds");
  TerminalScope scope(options);
  sites::DiveSiteLists lists;
  std::string error;
  if (!sites::ImportDsFile(lists, args[0], &error)) {
    std::cerr << "orvelle-cli: " << error << "\n";
    return 1;
  }
  return Finish(scope, sites::SendSitesToDevice(lists).key, {KeyOf(Msg::DiveSiteWrited)});
}

}  // namespace

std::vector<Command> TransferCommands() {
  return {
      {"upload", "", "send the dive computer's new dives to the service", Upload},
      {"update-fw", "[--yes before the command]", "update the dive computer's firmware", UpdateFirmware},
      {"update-ds", "[--yes before the command]", "update the dive computer's dive-site database", UpdateDiveSites},
      {"sites-read", "FILE.ds  [--yes before the command]", "read the dive computer's dive sites into FILE.ds",
       SitesRead},
      {"sites-write", "FILE.ds  [--yes before the command]", "write the dive sites of FILE.ds to the dive computer",
       SitesWrite},
  };
}

}  // namespace orv::cli
