// The desktop program's clean end on SIGTERM, SIGHUP (the session ending)
// and SIGINT, and when its main window is closed during a device operation:
// the operation is stopped the way its failure would be, end command
// included, before the program leaves its loops.
#pragma once

#include <gtk/gtk.h>

namespace orv::gtk {

// Routes the three signals through the main loop (g_unix_signal_add).
void InstallStopSignals();
// Closing `window` while an operation runs asks it to stop and keeps the
// window until it has; otherwise the window closes as usual.
void StopOperationOnClose(GtkWindow* window);
// Leaves whatever loop runs now (a dialog's, the main one); the progress
// runner calls it once a stopped operation has ended.
void EndProgram();
// 128 + the signal that stopped the program, else 0.
int StopExitStatus();

}  // namespace orv::gtk
