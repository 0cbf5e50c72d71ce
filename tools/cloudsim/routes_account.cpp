// Sign-in endpoints.
#include "service.h"

namespace orv::sim {

namespace {

std::string FormValue(const SimRequest& r, const char* name) {
  auto it = r.form.find(name);
  return it == r.form.end() ? std::string() : it->second;
}

Json::Value SignedIn(Service& s, const UserRow& user) {
  Json::Value response;
  response["user"]["user_id"] = user.user_id;
  response["user"]["user_name"] = user.user_name;
  // Stored relative so the picture follows the port the service runs on.
  std::string image = user.profile_image_path;
  if (!image.empty() && image.front() == '/') image = s.origin + image;
  response["user"]["profile_image_path"] = image;
  response["token"] = s.db().NewToken(user.user_id);
  return response;
}

SimReply Login(Service& s, const SimRequest& r, const std::vector<std::string>&) {
  auto user = s.db().CheckPassword(FormValue(r, "email"), FormValue(r, "password"));
  if (!user) return Service::Failure(kCodeBadLogin);
  return Service::Ok(SignedIn(s, *user));
}

// Social sign-in: the simulated platform's access tokens are "sim-" followed
// by the account's e-mail; any other token is refused.
SimReply SocialLogin(Service& s, const SimRequest& r, const std::vector<std::string>&) {
  std::string email = FormValue(r, "email");
  if (FormValue(r, "social_platform") != "facebook" || FormValue(r, "access_token") != "sim-" + email)
    return Service::Failure(kCodeBadLogin);
  auto user = s.db().UserByEmail(email);
  if (!user) return Service::Failure(kCodeBadLogin);
  return Service::Ok(SignedIn(s, *user));
}

}  // namespace

void AddAccountRoutes(Service& service) {
  service.AddRoute({"POST", "/api/v1/users/login", "login", Login});
  service.AddRoute({"POST", "/api/v1/users/socialLogin", "social_login", SocialLogin});
}

}  // namespace orv::sim
