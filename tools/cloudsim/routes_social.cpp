// The simulated social platform: its OAuth dialog, a sign-in and consent
// page, its success page and its profile endpoint `me`, served at the
// service's own origin. A diver signs in on the platform with the e-mail of
// a service account; the platform then hands out the access token
// "sim-EMAIL", which the service's socialLogin accepts. The platform keeps
// the diver signed in with a cookie, so a second dialog redirects at once.
#include <json/writer.h>

#include <cctype>
#include <ctime>

#include "service.h"

namespace orv::sim {

namespace {

constexpr char kSuccessPath[] = "/connect/login_success.html";
constexpr char kSessionCookie[] = "sim_social_session";

std::string Query(const SimRequest& r, const char* name) {
  auto it = r.query.find(name);
  return it == r.query.end() ? std::string() : it->second;
}

std::string UrlEncode(const std::string& text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string HtmlEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// A JSON string literal that is safe inside a <script> element.
std::string ScriptString(const std::string& text) {
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  std::string literal = Json::writeString(writer, Json::Value(text));
  std::string out;
  for (char c : literal) out += c == '<' ? std::string("\\u003c") : std::string(1, c);
  return out;
}

SimReply Html(int status, const std::string& title, const std::string& body, const std::string& head = "") {
  return {status, "text/html; charset=utf-8",
          "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + HtmlEscape(title) +
              "</title><style>body{font-family:sans-serif;margin:0;background:#f0f2f5;color:#1c1e21}"
              "header{background:#1877f2;color:#fff;font-weight:bold;font-size:22px;padding:14px 24px}"
              "main{background:#fff;margin:28px auto;padding:20px 24px;width:360px;border-radius:8px;"
              "box-shadow:0 2px 8px rgba(0,0,0,.15)}input{width:100%;box-sizing:border-box;padding:10px;"
              "font-size:15px;margin:8px 0 14px}button{padding:9px 18px;font-size:15px;border-radius:6px;"
              "border:0;margin-right:8px}#continue{background:#1877f2;color:#fff}.note{color:#c00}</style>" +
              head + "</head><body><header>Simulated platform</header><main>" + body + "</main></body></html>"};
}

// A page that finishes loading and then moves on, as the platform's own
// hops do, so the program sees each of them as a finished page.
SimReply MoveOn(const std::string& to, const std::string& script_before = "") {
  return Html(200, "Please wait", "<p>One moment…</p>",
              "<script>addEventListener('load',function(){" + script_before + "location.replace(" + ScriptString(to) +
                  ");});</script>");
}

bool RedirectAllowed(const Service& s, const std::string& redirect_uri) {
  if (!s.origin.empty()) return redirect_uri == s.origin + kSuccessPath;
  auto at = redirect_uri.rfind(kSuccessPath);
  return at != std::string::npos && at + std::string(kSuccessPath).size() == redirect_uri.size();
}

std::string CookieValue(const SimRequest& r, const std::string& name) {
  std::string cookies = r.Header("Cookie");
  size_t pos = 0;
  while (pos < cookies.size()) {
    size_t end = cookies.find(';', pos);
    std::string item = cookies.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    while (!item.empty() && item.front() == ' ') item.erase(0, 1);
    if (item.rfind(name + "=", 0) == 0) return PercentDecode(item.substr(name.size() + 1), false);
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  return {};
}

std::string TokenAddress(const std::string& redirect_uri, const std::string& email, const std::string& state) {
  const long long expiry = static_cast<long long>(std::time(nullptr)) + 90LL * 24 * 3600;
  return redirect_uri + "#access_token=" + UrlEncode("sim-" + email) +
         "&data_access_expiration_time=" + std::to_string(expiry) + "&expires_in=5184000&state=" + UrlEncode(state);
}

std::string DialogQuery(const SimRequest& r) {
  return "client_id=" + UrlEncode(Query(r, "client_id")) + "&redirect_uri=" + UrlEncode(Query(r, "redirect_uri")) +
         "&state=" + UrlEncode(Query(r, "state"));
}

SimReply BadDialog() {
  return Html(400, "Error", "<h2>Invalid request</h2><p>The application's redirect address is not allowed.</p>");
}

SimReply Dialog(Service& s, const SimRequest& r, const std::vector<std::string>&) {
  const std::string redirect = Query(r, "redirect_uri");
  if (Query(r, "client_id").empty() || !RedirectAllowed(s, redirect) ||
      Query(r, "response_type").find("token") == std::string::npos)
    return BadDialog();
  const std::string session = CookieValue(r, kSessionCookie);
  if (!session.empty() && s.db().UserByEmail(session))
    return MoveOn(TokenAddress(redirect, session, Query(r, "state")));
  return MoveOn("/social/login?" + DialogQuery(r));
}

SimReply LoginPage(const SimRequest& r, const std::string& note) {
  std::string hidden;
  for (const char* name : {"client_id", "redirect_uri", "state"})
    hidden += std::string("<input type=\"hidden\" name=\"") + name + "\" value=\"" + HtmlEscape(Query(r, name)) + "\">";
  return Html(200, "Sign in",
              "<h2>Sign in to continue</h2><p>The diving app asks for your e-mail address and public "
              "profile.</p>" +
                  (note.empty() ? std::string() : "<p class=\"note\">" + HtmlEscape(note) + "</p>") +
                  "<form action=\"/social/consent\" method=\"get\">" + hidden +
                  "<label for=\"email\">E-mail</label><input id=\"email\" name=\"email\" type=\"email\" value=\"" +
                  HtmlEscape(Query(r, "email")) +
                  "\"><button id=\"continue\" type=\"submit\">Continue</button>"
                  "<button id=\"cancel\" type=\"submit\" name=\"cancel\" value=\"1\">Cancel</button></form>");
}

SimReply Login(Service& s, const SimRequest& r, const std::vector<std::string>&) {
  if (!RedirectAllowed(s, Query(r, "redirect_uri"))) return BadDialog();
  return LoginPage(r, "");
}

SimReply Consent(Service& s, const SimRequest& r, const std::vector<std::string>&) {
  const std::string redirect = Query(r, "redirect_uri");
  if (!RedirectAllowed(s, redirect)) return BadDialog();
  if (!Query(r, "cancel").empty())
    return MoveOn(redirect +
                  "?error=access_denied&error_code=200&error_description=Permissions+error"
                  "&error_reason=user_denied&state=" +
                  UrlEncode(Query(r, "state")) + "#_=_");
  const std::string email = Query(r, "email");
  if (email.empty() || !s.db().UserByEmail(email)) return LoginPage(r, "No account uses that e-mail address.");
  return MoveOn(
      TokenAddress(redirect, email, Query(r, "state")),
      "document.cookie=" + ScriptString(std::string(kSessionCookie) + "=" + UrlEncode(email) + "; path=/") + ";");
}

SimReply Success(Service&, const SimRequest&, const std::vector<std::string>&) {
  return Html(200, "Success", "<h2>Success</h2><p>You may close this window.</p>");
}

SimReply Me(Service& s, const SimRequest& r, const std::vector<std::string>&) {
  const std::string token = Query(r, "access_token");
  std::optional<UserRow> user;
  if (token.rfind("sim-", 0) == 0) user = s.db().UserByEmail(token.substr(4));
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  writer["emitUTF8"] = true;
  if (!user) {
    Json::Value error;
    error["error"]["message"] = "Invalid OAuth access token.";
    error["error"]["type"] = "OAuthException";
    error["error"]["code"] = 190;
    return {400, "application/json", Json::writeString(writer, error)};
  }
  // Only the fields asked for, as the platform answers.
  Json::Value profile;
  const std::string fields = "," + Query(r, "fields") + ",";
  if (fields.find(",id,") != std::string::npos) profile["id"] = "fb-" + user->user_id;
  if (fields.find(",email,") != std::string::npos) profile["email"] = user->email;
  if (fields.find(",name,") != std::string::npos) profile["name"] = user->user_name;
  return {200, "application/json", Json::writeString(writer, profile)};
}

}  // namespace

void AddSocialRoutes(Service& service) {
  service.AddRoute({"GET", "/v6.0/dialog/oauth", "social_dialog", Dialog});
  service.AddRoute({"GET", "/social/login", "social_login_page", Login});
  service.AddRoute({"GET", "/social/consent", "social_consent", Consent});
  service.AddRoute({"GET", kSuccessPath, "social_success", Success});
  service.AddRoute({"GET", "/me", "social_me", Me});
}

}  // namespace orv::sim
