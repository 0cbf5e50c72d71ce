#include "cli/service_session.h"

#include <optional>

#include "account/sign_in.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "cli/password_prompt.h"
#include "cloud/service_config.h"

namespace orv::cli {

int ApplyServiceOptions(const Options& options) {
  if (!orv::OverrideService(options.service, options.ca_file))
    return UsageError("--service expects HOST[:PORT] with a port of 1 to 65535");
  return 0;
}

int StartServiceSession(const Options& options) {
  if (int rc = ApplyServiceOptions(options)) return rc;
  std::string email = options.email.empty() ? orv::RememberedEmail() : options.email;
  std::string password = options.password;
  if (password.empty() && !email.empty()) {
    if (auto store = orv::OpenSecretServiceStore()) {
      if (std::optional<std::string> kept = store->Lookup(email)) password = *kept;
    }
  }
  // Asked last: a script without a terminal gets the usual failure instead.
  if (password.empty() && !email.empty()) {
    std::string prompt = Tr("CLI_PASSWORD_PROMPT");
    if (const size_t at = prompt.find("%s"); at != std::string::npos) prompt.replace(at, 2, email);
    if (std::optional<std::string> typed = PromptPassword(prompt)) password = *typed;
  }
  std::string key = orv::SignInWithEmail(email, password);
  return key.empty() ? 0 : Fail(key);
}

}  // namespace orv::cli
