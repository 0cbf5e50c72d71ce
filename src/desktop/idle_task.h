// Work handed to the UI loop, to run once the current handler or signal has
// returned: a message that may close the window it came from, a retry that
// must not be taken for the load that failed, an update from a worker.
#pragma once

#include <glib.h>

#include <functional>

namespace orv::gtk {

// Runs `task` once on the main loop at `priority`; a task never run (the loop
// ended first) is still destroyed with what it holds.
void RunWhenIdle(std::function<void()> task, int priority = G_PRIORITY_DEFAULT_IDLE);

}  // namespace orv::gtk
