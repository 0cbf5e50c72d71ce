// The program's own web views and a local service named with its CA file.
#pragma once

namespace orv::gtk {

// With a CA file configured for the service, the program's web views trust
// that service too (the account picture comes from it): its certificate is
// fetched once, must verify against that CA for the service's host, and is
// then allowed for that host in the program's web context only.
// Starts that check in the background; no-op without a CA file.
void StartServiceTrust();
// Waits (bounded) for the check, starting it if need be. False when no CA
// file is set or the service's certificate did not verify.
bool TrustServiceCertificate();

}  // namespace orv::gtk
