// Service requests made on the UI thread: the transfer runs on a worker while
// the main loop keeps every window painting. Input to the program's windows
// is held off meanwhile, so a click neither re-enters a handler nor queues
// behind it; after a moment the active window shows a busy cursor and a small
// "Working…" overlay whose Cancel ends the request as a failed connection.
#pragma once

#include <gtk/gtk.h>

namespace orv::gtk {

// Installs the runner for every later transfer of the process. Transfers on
// other threads (upload, update) still run inline on their own thread.
void InstallRequestWaitRunner();

// The overlay while it is shown, else null; its Cancel button likewise (GUI
// tests act on them as the diver would).
GtkWindow* BusyOverlay();
GtkButton* BusyCancelButton();

}  // namespace orv::gtk
