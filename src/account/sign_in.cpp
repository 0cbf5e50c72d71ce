#include "account/sign_in.h"

#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/message_keys.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "cloud/json_read.h"
#include "cloud/reply_check.h"
#include "logbook/write_through.h"

namespace orv {

void StoreAccountFields(const Json::Value& response) {
  const Json::Value& user = JsonMember(response, "user");
  AppState& state = State();
  state.user_id = JsonText(user, "user_id");
  state.token = JsonText(response, "token");
  state.display_name = JsonText(user, "user_name");
  state.profile_image = JsonText(user, "profile_image_path");
}

Failure SignInWithEmail(const std::string& email, const std::string& password) {
  AppState& state = State();
  state.email = email;
  state.password = password;
  if (email.empty()) return Msg::EnterEmail;
  if (password.empty()) return Msg::EnterPassword;

  HttpPost http;
  if (!http.Connect()) return ConnectFailure(CallKind::EmailSignIn);
  const Reply reply = ReplyCheck(Send(http, LoginEndpoint(email, password)), CallKind::EmailSignIn);
  if (!reply.ok()) return reply.failure();
  StoreAccountFields(*reply);
  return {};
}

void TellInDialog(const Failure& failure) { ShowMessage(Tr(failure.key())); }

Failure OpenCopyOfSignedIn(const TellFailure& tell) {
  const AppState& state = State();
  Failure failure = OpenSavedCopyOnline({state.email, state.user_id, state.display_name});
  if (failure && tell) tell(failure);
  return failure;
}

Failure SignInAndOpenCopy(const std::string& email, const std::string& password, const TellFailure& tell) {
  Failure failure = SignInWithEmail(email, password);
  if (!failure) OpenCopyOfSignedIn(tell);
  return failure;
}

}  // namespace orv
