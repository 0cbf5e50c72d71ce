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

Failure saved_copy_failure;

int OpenOffline(const std::string& email) {
  SavedAccount account;
  // The key alone: the copy's path and SQLite's own words stay out of the diver's terminal.
  if (Failure failure = OpenSavedCopyOffline(email, account)) return Fail(failure.kind);
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
  saved_copy_failure = {};
  Failure failure = orv::SignInAndOpenCopy(email, password, [](const Failure& copy) {
    saved_copy_failure = copy;
    std::cerr << copy.key() << ": " << Tr(copy.key()) << "\n";
  });
  return failure ? Fail(failure) : 0;
}

const Failure& SavedCopyOpenFailure() { return saved_copy_failure; }

}  // namespace orv::cli
