// Signing in with a social platform account, without any window: the sign-in
// dialog's browser popup reports each finished page's address, and this
// decides whether to show the popup, whether the address carries the
// platform's access token, and then fetches the profile and exchanges it with
// the service for a session.
//
//   NavigationCount = 0;                       // a new popup
//   PageStep step = ObserveSocialPage(address);
//   if (step.hide) popup.Hide(); if (step.show) popup.CentreAndShow();
//   if (step.token) failure = CompleteSocialSignIn(*step.token);   // none = signed in
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/failure.h"

namespace orv {

// Where the platform lives. Built in from build settings; a local service
// (orvelle-cloudsim) serves the simulated platform at its own origin.
struct SocialPlatform {
  std::string web_origin;    // "https://host[:port]": OAuth dialog and success page
  std::string graph_origin;  // "https://host[:port]": profile endpoint
  std::string app_id;
};
SocialPlatform& Platform();
// Points both origins at `origin` (the local service's "https://host:port").
void UseLocalSocialPlatform(const std::string& origin);

// The OAuth dialog the popup opens first.
std::string OAuthDialogUrl();
// The platform's own success page the dialog redirects to.
std::string SuccessPageUrl();
// The profile endpoint with "fields=email,id,name" and the token (encoded).
std::string ProfileUrl(const std::string& access_token);
// True for https addresses on the platform's web or profile host (and port);
// the popup navigates nowhere else.
bool IsPlatformAddress(std::string_view address);

// Access token up to 1023 characters, the other texts up to 127; longer ones
// are refused rather than cut, since a shortened token or e-mail would be
// another one.
constexpr size_t kMaxAccessTokenLength = 1023;
constexpr size_t kMaxSocialTextLength = 127;

struct SocialToken {
  std::string access_token;
  std::string expiry;  // data_access_expiration_time
};

enum class TokenScan { Absent, Found, Unusable };
// Reads "access_token" and "data_access_expiration_time" from the query or
// fragment parameters of the platform's success page (exact names,
// percent-decoded). Absent when either is missing or the address is another
// page; Unusable when they are there but empty, too long or hold control
// characters.
TokenScan TokenFromAddress(std::string_view address, SocialToken& out);

// Finished page loads without a token since the popup opened.
extern int NavigationCount;

struct PageStep {
  bool hide = false;                 // hide the popup
  bool show = false;                 // centre the popup over its owner and show it
  std::optional<SocialToken> token;  // set: run CompleteSocialSignIn
  Failure failure;                   // to tell on the page (an unusable token)
};
// The reaction to one finished page: a page carrying an error hides the popup
// and starts the count again; the second page without a token (the platform
// wants the diver) shows it; a token hides it.
PageStep ObserveSocialPage(std::string_view address);

struct SocialProfile {
  std::string email, id, name;
};
// Parses "me.json": a JSON object with a non-empty string "id" and no
// "error"; e-mail and id no longer than 127 UTF-16 units; the name is cut to
// 127 at a character boundary. Absent "email" / "name" give empty text.
bool ParseSocialProfile(std::string_view json, SocialProfile& out);

// Fetches the profile into DataFolder()/"me.json" (removed again once read),
// exchanges it at "api/v1/users/socialLogin" and, on success, fills State()
// (display name and e-mail from the profile, user id, token and picture from
// the reply). Returns no failure when signed in, else HOST_NOT_CONN (profile or
// service unreachable), HOST_ERROR (profile unusable, `code` empty) or
// DATA_ERROR (service refused). Nothing is remembered here: the caller
// remembers the e-mail.
Failure CompleteSocialSignIn(const SocialToken& token);

}  // namespace orv
