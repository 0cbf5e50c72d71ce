#include "cloud/endpoints.h"

#include <cstdio>

#include "cloud/http_post.h"
#include "cloud/service_config.h"

namespace orv {

namespace {

bool Unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
         c == '.' || c == '~';
}

std::string Encode(std::string_view text, bool space_as_plus) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (unsigned char c : text) {
    if (Unreserved(c)) {
      out += static_cast<char>(c);
    } else if (c == ' ' && space_as_plus) {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string Digits(int value, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*d", width, value);
  return buf;
}

Endpoint Get(std::string path, std::optional<SavedItem> saved = std::nullopt) {
  return {"GET", std::move(path), {}, BodyType::Form, true, std::move(saved)};
}

Endpoint DevicePost(std::string_view api, std::string_view command, std::string_view model, std::string bytes,
                    int firmware_version) {
  std::string path = "api/" + std::string(api) + "/devices/" + PathSegmentEncode(command) +
                     "?model=" + FormEncode(model) + "&length=" + std::to_string(bytes.size()) +
                     "&firmware_version=" + std::to_string(firmware_version);
  return {"POST", std::move(path), std::move(bytes), BodyType::Form, true, std::nullopt};
}

}  // namespace

std::string FormEncode(std::string_view value) { return Encode(value, true); }
std::string PathSegmentEncode(std::string_view segment) { return Encode(segment, false); }

int FirmwareVersionNumber(std::string_view text) {
  int value = 0;
  for (std::size_t pos : {0u, 2u, 3u, 4u}) {
    if (pos >= text.size() || text[pos] < '0' || text[pos] > '9') break;
    value = value * 10 + (text[pos] - '0');
  }
  return value;
}

Endpoint LoginEndpoint(std::string_view email, std::string_view password) {
  return {
      "POST", "api/v1/users/login", "email=" + FormEncode(email) + "&password=" + FormEncode(password), BodyType::Form,
      false,  std::nullopt};
}

Endpoint SocialLoginEndpoint(std::string_view email, std::string_view social_id, std::string_view access_token,
                             std::string_view expire_datetime) {
  return {"POST",
          "api/v1/users/socialLogin",
          "email=" + FormEncode(email) + "&social_platform=facebook&social_id=" + FormEncode(social_id) +
              "&access_token=" + FormEncode(access_token) + "&expire_datetime=" + FormEncode(expire_datetime),
          BodyType::Form,
          false,
          std::nullopt};
}

Endpoint CalendarMonthEndpoint(int year, int month) {
  const std::string key = Digits(year, 4) + Digits(month, 2);
  return Get("api/v1/divelogs/calendar/month?year_month=" + key, SavedItem{SavedKind::Month, key});
}

Endpoint CalendarDateEndpoint(int year, int month, int day) {
  const std::string key = Digits(year, 4) + Digits(month, 2) + Digits(day, 2);
  return Get("api/v1/divelogs/calendar/date?year_month_date=" + key, SavedItem{SavedKind::Day, key});
}

Endpoint DiveLogEndpoint(std::string_view divelog_id) {
  // Without an id the path names no dive: nothing to keep.
  std::optional<SavedItem> saved;
  if (!divelog_id.empty()) saved = SavedItem{SavedKind::Dive, std::string(divelog_id)};
  return Get("api/v1/divelogs/divelog/" + PathSegmentEncode(divelog_id), std::move(saved));
}

Endpoint PatchDiveLogEndpoint(std::string_view divelog_id, std::string json_text) {
  return {"PATCH",     "api/v1/divelogs/" + PathSegmentEncode(divelog_id), std::move(json_text), BodyType::Json, true,
          std::nullopt};
}

Endpoint StatisticsEndpoint(std::string_view user_id) {
  return Get("api/v1/users/" + PathSegmentEncode(user_id) + "/statistics",
             SavedItem{SavedKind::Statistics, std::string(user_id)});
}

Endpoint SearchDiveSitesEndpoint(std::string_view query) {
  return {"POST",      "api/v1/searches/divesites", "query=" + FormEncode(query) + "&limit=20", BodyType::Form, true,
          std::nullopt};
}

Endpoint HeaderInfoEndpoint(std::string_view model, int firmware_version) {
  return Get("api/v1/devices/headerInfo?model=" + FormEncode(model) +
             "&firmware_version=" + std::to_string(firmware_version));
}

Endpoint UploadStepEndpoint(std::string_view command, std::string_view model, std::string bytes, int firmware_version) {
  return DevicePost(command == "addDivelogs" ? "v2" : "v1", command, model, std::move(bytes), firmware_version);
}

std::string FirmwareUpdateInfoUrl() { return ServiceOrigin() + "/api/v1/devices/firmwareUpdate?model=Q7"; }
std::string DiveSiteUpdateInfoUrl() { return ServiceOrigin() + "/api/v1/devices/divesites?model=Q7"; }

HttpResult Send(HttpPost& http, const Endpoint& endpoint) {
  return http.Request(endpoint.verb, endpoint.path, endpoint.bearer ? BearerHeader() : std::string(), endpoint.body,
                      endpoint.body_type);
}

}  // namespace orv
