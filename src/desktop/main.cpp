// orvelle-pc-tool: settings, sign-in, then the main window until it closes.
//
//   --service HOST[:PORT]  (ORVELLE_SERVICE)  a local service instead of the built-in host
//   --ca-file FILE         (ORVELLE_CA_FILE)  its CA certificate
//   --device PATH          (ORVELLE_DEVICE)   the dive computer's serial device
//   --email, --password    (ORVELLE_PASSWORD) pre-fill the sign-in fields
//   --tour FOLDER          sign in, visit every screen, save pictures there, quit
//
// SIGTERM, SIGHUP or SIGINT end the program cleanly, a device operation
// stopped first with its end command; exit status 128 + the signal.
#include <gtk/gtk.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "account/sign_in.h"
#include "account/social_sign_in.h"
#include "app/app_state.h"
#include "app/cancellable.h"
#include "app/dialogs.h"
#include "app/environment.h"
#include "app/page_folder.h"
#include "app/settings.h"
#include "app/stop_request.h"
#include "app/string_table.h"
#include "cloud/service_config.h"
#include "desktop/background_sync.h"
#include "desktop/bench_probe.h"
#include "desktop/demo_tour.h"
#include "desktop/generic_dialogs.h"
#include "desktop/login_dlg.h"
#include "desktop/main_frame.h"
#include "desktop/progress_dialog.h"
#include "desktop/service_trust.h"
#include "desktop/stop_signals.h"
#include "desktop/tile_scheme.h"
#include "desktop/ui_wait.h"
#include "desktop/web_views.h"
#include "device/device_port.h"
#include "logbook/write_through.h"

namespace {

struct Options {
  std::string service, ca_file, device, email, password, tour;
};

void PrintUsage(FILE* to) {
  std::fprintf(to,
               "usage: orvelle-pc-tool [--service HOST[:PORT]] [--ca-file FILE] [--device PATH]\n"
               "                       [--email ADDR] [--password TEXT] [--tour FOLDER]\n");
}

// Asked for help, before GTK needs a display to answer it.
bool WantsHelp(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") return true;
  return false;
}

bool ParseOptions(int argc, char** argv, Options& opt) {
  // The e-mail is typed into the sign-in dialog or given with --email.
  const orv::ProgramEnvironment& environment = orv::Environment();
  opt.service = environment.service;
  opt.ca_file = environment.ca_file;
  opt.device = environment.device;
  opt.password = environment.password;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    std::string* target = a == "--service"    ? &opt.service
                          : a == "--ca-file"  ? &opt.ca_file
                          : a == "--device"   ? &opt.device
                          : a == "--email"    ? &opt.email
                          : a == "--password" ? &opt.password
                          : a == "--tour"     ? &opt.tour
                                              : nullptr;
    if (!target || i + 1 >= argc) {
      PrintUsage(stderr);
      return false;
    }
    *target = argv[++i];
  }
  return true;
}

// Font DPI as the desktop reports it, relative to 96.
void MeasureDisplayScale() { orv::ScaleX = orv::ScaleY = orv::gtk::FontDpiScale(); }

}  // namespace

int main(int argc, char** argv) {
  if (WantsHelp(argc, argv)) {
    PrintUsage(stdout);
    return 0;
  }
  gtk_init(&argc, &argv);
  orv::gtk::InstallStopSignals();
  Options opt;
  if (!ParseOptions(argc, argv, opt)) return 2;
  if (!orv::OverrideService(opt.service, opt.ca_file)) {
    std::fprintf(stderr, "orvelle-pc-tool: malformed --service value\n");
    return 2;
  }
  // A local service also plays the social platform, at the same origin.
  if (!opt.service.empty()) orv::UseLocalSocialPlatform(orv::ServiceOrigin());
  if (!opt.device.empty()) orv::device::SetDevicePathOverride(opt.device);

  orv::gtk::MarkUiThread();
  orv::gtk::InstallRequestWaitRunner();
  if (!orv::gtk::InitWebEngine()) return -1;
  // The account picture of a local service loads in the program's views.
  if (!opt.ca_file.empty()) orv::gtk::StartServiceTrust();
  orv::ReadSettings();
  orv::Strings();  // a missing language table is reported before anything else
  orv::State().page_folder = orv::MakePageFolder(orv::ProgramFolder(), orv::LanguageCode);
  MeasureDisplayScale();

  orv::gtk::GtkDialogs dialogs;
  orv::SetDialogBackend(&dialogs);
  orv::gtk::InstallProgressRunner(orv::gtk::EndProgram);

  auto store = orv::OpenSecretServiceStore();
  {
    orv::gtk::LoginDlg login(store.get());
    if (!opt.email.empty()) login.func().SetPrefill(opt.email, opt.password);
    if (!opt.tour.empty()) orv::gtk::ArmTourSignIn(opt.tour);
    if (orv::gtk::BenchArmed()) orv::gtk::ArmBenchSignIn();
    if (orv::gtk::RunPageDialog(login) == 0) return 0;
  }
  if (orv::ProgramStop().IsCancelled()) return orv::gtk::StopExitStatus();
  // Signed in: the account's copy is written through from now on.
  if (!orv::ReadingSavedCopy()) orv::OpenCopyOfSignedIn();

  if (!opt.ca_file.empty()) orv::gtk::TrustServiceCertificate();
  orv::gtk::MainFrame frame;
  if (!frame.Create(orv::PagePath("main.htm"))) return 0;
  if (!opt.tour.empty()) {
    orv::gtk::RunTour(frame, opt.tour);
    orv::gtk::StopTileService();
    orv::SetDialogBackend(nullptr);
    return 0;
  }
  if (orv::gtk::BenchArmed()) {
    orv::gtk::RunBench(frame);
    orv::SetDialogBackend(nullptr);
    return 0;
  }
  g_signal_connect(frame.gtk_window(), "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  orv::gtk::StopOperationOnClose(frame.gtk_window());
  orv::gtk::StartBackgroundSync(&frame.page());
  if (!orv::ProgramStop().IsCancelled()) gtk_main();
  orv::gtk::StopBackgroundSync();
  orv::CloseSavedCopy();
  orv::gtk::StopTileService();
  orv::SetDialogBackend(nullptr);
  return orv::gtk::StopExitStatus();
}
