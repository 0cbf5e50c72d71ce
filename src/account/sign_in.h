// E-mail and password sign-in, without any window: the sign-in dialog's
// LoginFunc and orvelle-cli both run this and show the returned key their
// own way.
//
//   orv::Failure failure = orv::SignInWithEmail(email, password);
//   if (!failure) { orv::RememberSignIn(store.get(), email, password); ... }  (settings.h)
//   else show Tr(failure.key());
#pragma once

#include <functional>
#include <string>

#include <json/value.h>

#include "app/failure.h"

namespace orv {

// Signs in at the configured service (Service(), service_config.h).
// State().email and State().password take the typed texts first, so a failed
// attempt keeps them. Returns no failure when signed in (State().user_id, token,
// display_name and profile_image filled from the reply, absent members as
// empty text), otherwise one of ENTER_EMAIL, ENTER_PASSWORD,
// NO_INTERNET, HOST_NOT_CONN, HOST_ERROR, EMAIL_PWD_ERROR.
// Blocks for the length of one request (bounded by the transport's time-outs).
Failure SignInWithEmail(const std::string& email, const std::string& password);

// How a front end tells the diver of a failure: the desktop program in a
// message dialog, orvelle-cli as "KEY: text" on stderr.
using TellFailure = std::function<void(const Failure& failure)>;
// The message dialog (app/dialogs.h) with the failure's text.
void TellInDialog(const Failure& failure);

// Once signed in (by e-mail or the social platform): the account of State()
// gets its saved copy opened and written through from then on. A copy that
// cannot be opened (damaged and moved aside, a newer program's, unwritable)
// never holds up the service: `tell` hears of it once, and the work goes
// on online. Returns that failure, none when the copy opened cleanly.
Failure OpenCopyOfSignedIn(const TellFailure& tell = TellInDialog);

// SignInWithEmail, then OpenCopyOfSignedIn when it succeeded. The sign-in's
// failure, none when signed in.
Failure SignInAndOpenCopy(const std::string& email, const std::string& password,
                          const TellFailure& tell = TellInDialog);

// Copies `user`.`user_id`, `token`, `user`.`user_name` and
// `user`.`profile_image_path` of a sign-in reply's `response` into State();
// members that are absent or not strings give empty text.
void StoreAccountFields(const Json::Value& response);

}  // namespace orv
