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

std::string SignInWithEmail(const std::string& email, const std::string& password) {
  AppState& state = State();
  state.email = email;
  state.password = password;
  if (email.empty()) return KeyOf(Msg::EnterEmail);
  if (password.empty()) return KeyOf(Msg::EnterPassword);

  HttpPost http;
  if (!http.Connect()) return ConnectFailure(CallKind::EmailSignIn).key();
  const Reply reply = ReplyCheck(Send(http, LoginEndpoint(email, password)), CallKind::EmailSignIn);
  if (!reply.ok()) return reply.failure().key();
  StoreAccountFields(*reply);
  return {};
}

void TellInDialog(const std::string& key) { ShowMessage(Tr(key)); }

std::string OpenCopyOfSignedIn(const TellKey& tell) {
  const AppState& state = State();
  std::string key = OpenSavedCopyOnline({state.email, state.user_id, state.display_name});
  if (!key.empty() && tell) tell(key);
  return key;
}

std::string SignInAndOpenCopy(const std::string& email, const std::string& password, const TellKey& tell) {
  std::string key = SignInWithEmail(email, password);
  if (key.empty()) OpenCopyOfSignedIn(tell);
  return key;
}

}  // namespace orv
