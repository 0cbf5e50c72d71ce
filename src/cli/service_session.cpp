#include "cli/service_session.h"

#include <iostream>
#include <optional>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/message_keys.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "cli/password_prompt.h"
#include "cloud/service_config.h"
#include "logbook/write_through.h"

namespace orv::cli {

int ApplyServiceOptions(const Options& options) {
  if (!orv::OverrideService(options.service, options.ca_file))
    return UsageError("--service expects HOST[:PORT] with a port of 1 to 65535");
  return 0;
}

std::string SessionEmail(const Options& options) {
  return options.email.empty() ? orv::RememberedEmail() : options.email;
}

namespace {

std::string saved_copy_key;

int OpenOffline(const std::string& email) {
  SavedAccount account;
  if (std::string key = OpenSavedCopyOffline(email, account); !key.empty()) return Fail(key);
  AppState& state = State();
  state.email = account.email;
  state.user_id = account.user_id;
  state.display_name = account.user_name;
  return 0;
}

}  // namespace

int StartServiceSession(const Options& options, Saved saved) {
  std::string email = SessionEmail(options);
  if (options.offline) return saved == Saved::Readable ? OpenOffline(email) : Fail(KeyOf(Msg::NeedsService));
  if (int rc = ApplyServiceOptions(options)) return rc;
  std::string password = options.password;
  if (password.empty() && !email.empty()) {
    if (auto store = orv::OpenSecretServiceStore()) {
      if (std::optional<std::string> kept = store->Lookup(email)) password = *kept;
    }
  }
  // Asked last: a script without a terminal gets the usual failure instead.
  if (password.empty() && !email.empty()) {
    std::string prompt = Tr(KeyOf(Msg::CliPasswordPrompt));
    if (const size_t at = prompt.find("%s"); at != std::string::npos) prompt.replace(at, 2, email);
    if (std::optional<std::string> typed = PromptPassword(prompt)) password = *typed;
  }
  // Known before the sign-in, so a failure can point at the saved copy.
  State().email = email;
  std::string key = orv::SignInWithEmail(email, password);
  if (!key.empty()) return Fail(key);
  const AppState& state = State();
  // A copy that cannot be opened is told of and the command goes on online:
  // the service's answer never waits on this computer's disk.
  saved_copy_key = OpenSavedCopyOnline({email, state.user_id, state.display_name});
  if (!saved_copy_key.empty()) std::cerr << saved_copy_key << ": " << Tr(saved_copy_key) << "\n";
  return 0;
}

const std::string& SavedCopyOpenKey() { return saved_copy_key; }

}  // namespace orv::cli
