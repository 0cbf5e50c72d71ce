// Asking the program to stop: on SIGINT, SIGTERM or SIGHUP, or when the
// desktop program closes. The request cancels ProgramStop(), which every
// operation's Cancellable descends from.
//
// A signal handler may do almost nothing safely, so it only records the
// request (Cancellable::CancelFromSignal). The device link looks at its
// operation between packets and before each wait slice; the operation then
// fails like any other device fault and unwinds through its scoped objects,
// which send the end command it owes and release the port, and removes its
// temporary files. The program ends afterwards.
#pragma once

namespace orv {

// Records a stop request; `signal_number` 0 is a request of the program
// itself (its window closing). Safe inside a signal handler.
void RequestStop(int signal_number);
// The signal that asked for the stop, 0 when none did.
int StopSignal();
// Forgets the request (tests; a program that carries on after a stop).
void ClearStopRequest();

// The usual exit status after a signal: 128 + its number (SIGINT 130,
// SIGTERM 143, SIGHUP 129).
inline int ExitCodeForSignal(int signal_number) { return 128 + signal_number; }

// While it lives, SIGINT, SIGTERM and SIGHUP only request a stop; the
// dispositions before it come back when it ends. Outside such a scope the
// signals end the program at once, which is right where nothing is owed to
// the dive computer.
class StopSignalScope {
 public:
  StopSignalScope();
  ~StopSignalScope();
  StopSignalScope(const StopSignalScope&) = delete;
  StopSignalScope& operator=(const StopSignalScope&) = delete;
};

}  // namespace orv
