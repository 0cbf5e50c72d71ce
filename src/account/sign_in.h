// E-mail and password sign-in, without any window: the sign-in dialog's
// LoginFunc and orvelle-cli both run this and show the returned key their
// own way.
//
//   std::string key = orv::SignInWithEmail(email, password);
//   if (key.empty()) { orv::RememberSignIn(store.get(), email, password); ... }  (settings.h)
//   else show Tr(key);
#pragma once

#include <functional>
#include <string>

#include <json/value.h>

namespace orv {

// Signs in at the configured service (Service(), service_config.h).
// State().email and State().password take the typed texts first, so a failed
// attempt keeps them. Returns "" when signed in (State().user_id, token,
// display_name and profile_image filled from the reply, absent members as
// empty text), otherwise one of ENTER_EMAIL, ENTER_PASSWORD,
// NO_INTERNET, HOST_NOT_CONN, HOST_ERROR, EMAIL_PWD_ERROR.
// Blocks for the length of one request (bounded by the transport's time-outs).
std::string SignInWithEmail(const std::string& email, const std::string& password);

// How a front end tells the diver a message key: the desktop program in a
// message dialog, orvelle-cli as "KEY: text" on stderr.
using TellKey = std::function<void(const std::string& key)>;
// The message dialog (app/dialogs.h) with the key's text.
void TellInDialog(const std::string& key);

// Once signed in (by e-mail or the social platform): the account of State()
// gets its saved copy opened and written through from then on. A copy that
// cannot be opened (damaged and moved aside, a newer program's, unwritable)
// never holds up the service: `tell` hears its key once, and the work goes
// on online. Returns that key, empty when the copy opened cleanly.
std::string OpenCopyOfSignedIn(const TellKey& tell = TellInDialog);

// SignInWithEmail, then OpenCopyOfSignedIn when it succeeded. The sign-in's
// key, empty when signed in.
std::string SignInAndOpenCopy(const std::string& email, const std::string& password,
                              const TellKey& tell = TellInDialog);

// Copies `user`.`user_id`, `token`, `user`.`user_name` and
// `user`.`profile_image_path` of a sign-in reply's `response` into State();
// members that are absent or not strings give empty text.
void StoreAccountFields(const Json::Value& response);

}  // namespace orv
