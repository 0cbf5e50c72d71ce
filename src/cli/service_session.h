// What every orvelle-cli command that talks to the service does first: point
// the client at the chosen service and sign in.
#pragma once

#include "cli/cli.h"

namespace orv::cli {

// Applies --service / --ca-file (already merged with ORVELLE_SERVICE /
// ORVELLE_CA_FILE by main) to the process-wide service configuration.
// Returns 0, or the usage-error exit code 2 after printing why.
int ApplyServiceOptions(const Options& options);

// Whether a command can read the log book saved on this computer instead.
enum class Saved { NotRead, Readable };

// ApplyServiceOptions, then signs in with --email / --password, falling back
// to the remembered e-mail and the password kept for it in the Secret
// Service, and then, on a terminal, to asking for it without echo; then
// opens the account's saved copy, which every browse reply then updates.
// With --offline a Readable command opens the saved copy of that e-mail
// instead and sends nothing; any other command refuses.
// Returns 0 when ready (State() then holds the user id and, online, the
// token); otherwise the exit code, with "KEY: text" already printed.
int StartServiceSession(const Options& options, Saved saved = Saved::NotRead);

// What opening the saved copy reported at the last online start; none
// when it opened cleanly.
const Failure& SavedCopyOpenFailure();

// The e-mail a command is about: --email, else the remembered one.
std::string SessionEmail(const Options& options);

}  // namespace orv::cli
