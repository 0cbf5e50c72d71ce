// Timing marks for scripts/bench. With ORVELLE_BENCH set the program prints
// "bench <name> <seconds>" lines on stderr at the moments a diver would
// notice (sign-in page painted, main page filled, cells written, chart
// drawn) and, once signed in, takes its clicks as commands from stdin.
// Without it nothing here runs.
#pragma once

#include "desktop/main_frame.h"

namespace orv::gtk {

bool BenchArmed();
// Marks the sign-in page painted (seconds on the monotonic clock), then
// clicks Sign in and starts the clock that RunBench stops.
void ArmBenchSignIn();
// Marks the main page filled, then serves commands until "quit" or the end
// of stdin ("start" in ORVELLE_BENCH quits at once):
//   month          step the calendar a month (forth, then back)   -> bench month <s>
//   goto YYYY-MM   step until that month shows                     -> bench goto <steps>
//   day D          open day D of the month shown                   -> bench day <s> <rows>
//   view N         View of the N-th listed dive, to chart drawn    -> bench view <s>
//   idle           nothing; the driver reads memory meanwhile       -> bench idle 0
void RunBench(MainFrame& frame);

}  // namespace orv::gtk
