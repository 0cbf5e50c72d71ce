#include "desktop/stop_signals.h"

#include <glib-unix.h>

#include <csignal>
#include <cstring>
#include <iostream>

#include "app/stop_request.h"
#include "desktop/page_dialog.h"
#include "desktop/progress_dialog.h"

namespace orv::gtk {

namespace {

gboolean OnStopSignal(gpointer signal_number) {
  RequestStop(GPOINTER_TO_INT(signal_number));
  EndOpenDialogs();  // a worker may be waiting on a message
  if (!OperationRunning()) EndProgram();
  return G_SOURCE_CONTINUE;
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer) {
  if (!OperationRunning()) return FALSE;
  RequestStop(0);
  EndOpenDialogs();
  return TRUE;
}

}  // namespace

void InstallStopSignals() {
  for (int signal_number : {SIGTERM, SIGHUP, SIGINT})
    g_unix_signal_add(signal_number, OnStopSignal, GINT_TO_POINTER(signal_number));
}

void StopOperationOnClose(GtkWindow* window) {
  g_signal_connect(window, "delete-event", G_CALLBACK(OnDelete), nullptr);
}

void EndProgram() {
  EndOpenDialogs();
  if (gtk_main_level() > 0) gtk_main_quit();
}

int StopExitStatus() {
  const int signal_number = StopSignal();
  if (!signal_number) return 0;
  // Whoever sent the signal (a session ending, a service manager) reads why
  // the program ended where it logs our stderr.
  std::cerr << "orvelle-pc-tool: stopped by SIG" << sigabbrev_np(signal_number) << "\n";
  return ExitCodeForSignal(signal_number);
}

}  // namespace orv::gtk
