// "Keep the log book on this computer": after sign-in the whole log book is
// saved on a worker thread, the same sync as `orvelle-cli sync`, yielding to
// every request the diver starts. Its counts show in the main page's
// `logbook_sync` line. It stops after its current request on exit or a new
// sign-in, and the next start takes up where it stopped (a later sync only
// asks for what is missing).
#pragma once

#include "app/engine.h"

namespace orv::gtk {

// Starts the save for the signed-in account when the setting is on, the
// screens read the service and none runs yet. `main_page` receives the
// counts until the save ends or is stopped.
void StartBackgroundSync(EngineWindow* main_page);
// Asks the save to stop and waits for it (one request at most).
void StopBackgroundSync();

}  // namespace orv::gtk
