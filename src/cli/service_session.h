// What every orvelle-cli command that talks to the service does first: point
// the client at the chosen service and sign in.
#pragma once

#include "cli/cli.h"

namespace orv::cli {

// Applies --service / --ca-file (already merged with ORVELLE_SERVICE /
// ORVELLE_CA_FILE by main) to the process-wide service configuration.
// Returns 0, or the usage-error exit code 2 after printing why.
int ApplyServiceOptions(const Options& options);

// ApplyServiceOptions, then signs in with --email / --password, falling back
// to the remembered e-mail and the password kept for it in the Secret
// Service, and then, on a terminal, to asking for it without echo. Returns 0 when signed in (State() then holds the token and user
// id); otherwise the exit code, with "KEY: text" already printed.
int StartServiceSession(const Options& options);

}  // namespace orv::cli
