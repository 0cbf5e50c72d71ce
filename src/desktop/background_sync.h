// "Keep the log book on this computer": after sign-in the whole log book is
// saved on a worker thread, the same sync as `orvelle-cli sync`, yielding to
// every request the diver starts. Its counts show in the main page's
// `logbook_sync` line, and a failure that ended it in `logbook_sync_failed`.
// The end of the program stops it at once, cutting off the request in
// flight; the next start takes up where it stopped (a later sync only asks
// for what is missing).
#pragma once

#include "app/engine.h"

namespace orv::gtk {

// Starts the save for the signed-in account when the setting is on, the
// screens read the service and none runs yet. `main_page` receives the
// counts until the save ends or is stopped.
void StartBackgroundSync(EngineWindow* main_page);
// Stops the save, cutting off its request in flight, and waits for it.
void StopBackgroundSync();

}  // namespace orv::gtk
