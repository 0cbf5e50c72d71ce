#include "account/social_sign_in.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/message_keys.h"
#include "app/string_table.h"
#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "cloud/json_read.h"
#include "cloud/reply_check.h"

#ifndef ORVELLE_SOCIAL_WEB_HOST_NAME
#define ORVELLE_SOCIAL_WEB_HOST_NAME "www.facebook.com"
#endif
#ifndef ORVELLE_SOCIAL_GRAPH_HOST_NAME
#define ORVELLE_SOCIAL_GRAPH_HOST_NAME "graph.facebook.com"
#endif
#ifndef ORVELLE_SOCIAL_APP_ID_VALUE
#define ORVELLE_SOCIAL_APP_ID_VALUE "0"
#endif

namespace orv {

int NavigationCount = 0;

SocialPlatform& Platform() {
  static SocialPlatform platform{std::string("https://") + ORVELLE_SOCIAL_WEB_HOST_NAME,
                                 std::string("https://") + ORVELLE_SOCIAL_GRAPH_HOST_NAME, ORVELLE_SOCIAL_APP_ID_VALUE};
  return platform;
}

void UseLocalSocialPlatform(const std::string& origin) {
  Platform().web_origin = origin;
  Platform().graph_origin = origin;
}

std::string SuccessPageUrl() { return Platform().web_origin + "/connect/login_success.html"; }

std::string OAuthDialogUrl() {
  return Platform().web_origin + "/v6.0/dialog/oauth?client_id=" + FormEncode(Platform().app_id) +
         "&redirect_uri=" + FormEncode(SuccessPageUrl()) +
         "&scope=email%2Cpublic_profile&response_type=token%2Cgranted_scopes&state=PCTessaroTool";
}

std::string ProfileUrl(const std::string& access_token) {
  // The token comes from an address the platform wrote; encoding it keeps a
  // stray "&" or "#" from adding parameters to the profile request.
  return Platform().graph_origin + "/me?fields=email,id,name&access_token=" + FormEncode(access_token);
}

namespace {

bool StartsWithOrigin(std::string_view address, const std::string& origin) {
  if (origin.empty() || address.substr(0, origin.size()) != origin) return false;
  // "https://host" must not accept "https://host.evil" or "https://host:99".
  return address.size() == origin.size() || address[origin.size()] == '/';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecode(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    int hi = -1, lo = -1;
    if (text[i] == '%' && i + 2 < text.size() && (hi = HexDigit(text[i + 1])) >= 0 &&
        (lo = HexDigit(text[i + 2])) >= 0) {
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

using Params = std::vector<std::pair<std::string, std::string>>;

// Parameters of the query and of the fragment, in order.
Params AddressParams(std::string_view address) {
  Params params;
  auto add_part = [&](std::string_view part) {
    while (!part.empty()) {
      size_t amp = part.find('&');
      std::string_view item = part.substr(0, amp);
      size_t eq = item.find('=');
      if (!item.empty())
        params.emplace_back(PercentDecode(item.substr(0, eq)),
                            eq == std::string_view::npos ? std::string() : PercentDecode(item.substr(eq + 1)));
      if (amp == std::string_view::npos) break;
      part.remove_prefix(amp + 1);
    }
  };
  size_t hash = address.find('#');
  size_t question = address.find('?');
  if (question != std::string_view::npos && question < hash)
    add_part(address.substr(question + 1, hash == std::string_view::npos ? hash : hash - question - 1));
  if (hash != std::string_view::npos) add_part(address.substr(hash + 1));
  return params;
}

const std::string* Param(const Params& params, std::string_view name) {
  for (const auto& [key, value] : params)
    if (key == name) return &value;
  return nullptr;
}

bool HasErrorParam(const Params& params) {
  for (const auto& item : params)
    if (item.first == "error" || item.first.rfind("error_", 0) == 0) return true;
  return false;
}

std::string CutUtf16(const std::string& text, size_t max_units) {
  size_t units = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) == 0x80) continue;
    size_t need = c >= 0xF0 ? 2 : 1;
    if (units + need > max_units) return text.substr(0, i);
    units += need;
  }
  return text;
}

bool Usable(const std::string& value, size_t max_units) {
  if (value.empty() || Utf16Length(value) > max_units) return false;
  for (unsigned char c : value)
    if (c < 0x20 || c == 0x7F) return false;
  return true;
}

bool IsSuccessPage(std::string_view address) {
  const std::string page = SuccessPageUrl();
  if (address.substr(0, page.size()) != page) return false;
  return address.size() == page.size() || address[page.size()] == '?' || address[page.size()] == '#';
}

}  // namespace

bool IsPlatformAddress(std::string_view address) {
  return StartsWithOrigin(address, Platform().web_origin) || StartsWithOrigin(address, Platform().graph_origin);
}

TokenScan TokenFromAddress(std::string_view address, SocialToken& out) {
  // Only the page the platform redirects to after consent hands out tokens;
  // the same words on any other page are not the platform speaking.
  if (!IsSuccessPage(address)) return TokenScan::Absent;
  Params params = AddressParams(address);
  const std::string* token = Param(params, "access_token");
  const std::string* expiry = Param(params, "data_access_expiration_time");
  if (!token || !expiry) return TokenScan::Absent;
  if (!Usable(*token, kMaxAccessTokenLength) || !Usable(*expiry, kMaxSocialTextLength)) return TokenScan::Unusable;
  out = {*token, *expiry};
  return TokenScan::Found;
}

PageStep ObserveSocialPage(std::string_view address) {
  PageStep step;
  SocialToken token;
  switch (TokenFromAddress(address, token)) {
    case TokenScan::Found:
      step.hide = true;
      step.token = std::move(token);
      return step;
    case TokenScan::Unusable:
      step.hide = true;
      step.failure = Msg::HostError;
      return step;
    case TokenScan::Absent:
      break;
  }
  bool error = HasErrorParam(AddressParams(address));
  if (error) {
    step.hide = true;
    NavigationCount = 0;
  }
  ++NavigationCount;
  step.show = NavigationCount >= 2 && !error;
  return step;
}

bool ParseSocialProfile(std::string_view json, SocialProfile& out) {
  Json::Value root;
  if (!ParseReply(json, root) || !root.isObject() || root.isMember("error")) return false;
  SocialProfile profile{JsonText(root, "email"), JsonText(root, "id"), JsonText(root, "name")};
  if (profile.id.empty() || Utf16Length(profile.id) > kMaxSocialTextLength ||
      Utf16Length(profile.email) > kMaxSocialTextLength)
    return false;
  profile.name = CutUtf16(profile.name, kMaxSocialTextLength);
  out = std::move(profile);
  return true;
}

namespace {

// The profile is an e-mail, an id and a name; anything larger is not one.
constexpr std::uint64_t kMaxProfileBytes = 64u << 10;

// Reads and removes the downloaded profile: it holds the diver's e-mail and
// name and is of no use once read.
std::optional<std::string> TakeFile(const std::string& path) {
  std::optional<std::string> text;
  {
    std::ifstream in(path, std::ios::binary);
    if (in) {
      std::ostringstream buffer;
      buffer << in.rdbuf();
      text = buffer.str();
    }
  }
  std::remove(path.c_str());
  return text;
}

}  // namespace

Failure CompleteSocialSignIn(const SocialToken& token) {
  const std::string folder = DataFolder();
  if (folder.empty()) return Msg::HostNotConn;
  const std::string path = folder + "me.json";
  // A failed download is shown too: a diver who consented on the platform
  // would otherwise be left with nothing happening at all.
  // The platform's error object comes with an error status and is read
  // like any profile (it is refused there as a host error).
  if (!DownloadToFile(ProfileUrl(token.access_token), path, {kMaxProfileBytes, ErrorStatus::IsAnswer}).complete()) {
    std::remove(path.c_str());
    return Msg::HostNotConn;
  }
  std::optional<std::string> body = TakeFile(path);
  SocialProfile profile;
  if (!body || !ParseSocialProfile(*body, profile)) return Msg::HostError;

  HttpPost http;
  if (!http.Connect()) return Msg::HostNotConn;
  const Reply reply =
      ReplyCheck(Send(http, SocialLoginEndpoint(profile.email, profile.id, token.access_token, token.expiry)));
  if (!reply.ok()) return reply.failure();
  AppState& state = State();
  StoreAccountFields(*reply);
  // The service's social reply carries no name; the platform's is shown.
  state.display_name = profile.name;
  state.email = profile.email;
  return {};
}

}  // namespace orv
