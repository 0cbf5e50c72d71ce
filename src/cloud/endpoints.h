// Every endpoint of the cloud service as a request description: method, path
// (no leading slash, query included), body and whether it carries the
// session token. Callers hand one to Send() on their own HttpPost.
//
// Form values and path segments are percent-encoded, so a password or search
// text holding "&", "=", "%" or "+" reaches the service exactly as typed and
// cannot add parameters of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cloud/http_post.h"

namespace orv {

// What the reply to a request stands for, to whoever keeps replies (the saved
// copy of the log book): set by the endpoint that builds the request, so
// nothing ever reads a path back to learn it.
enum class SavedKind { Month, Day, Dive, Statistics };
struct SavedItem {
  SavedKind kind = SavedKind::Month;
  std::string key;  // "YYYYMM", "YYYYMMDD", the dive log id, or the user id
};

struct Endpoint {
  std::string verb;  // "GET", "POST", "PATCH"
  std::string path;
  std::string body;  // UTF-8 form text, JSON text or raw bytes
  BodyType body_type = BodyType::Form;
  bool bearer = false;
  std::optional<SavedItem> saved{};  // the month, day, dive and statistics GETs only
};

// application/x-www-form-urlencoded encoding of one value: unreserved
// characters stay, a space becomes "+", every other byte "%XX".
std::string FormEncode(std::string_view value);
// One path segment: unreserved characters stay, every other byte "%XX".
std::string PathSegmentEncode(std::string_view segment);

// "1.005" -> 1005: the characters at positions 1, 3, 4 and 5 read as a
// decimal number up to the first non-digit; "0.000" and short texts give the
// digits there are (0 when none).
int FirmwareVersionNumber(std::string_view firmware_version);

Endpoint LoginEndpoint(std::string_view email, std::string_view password);
Endpoint SocialLoginEndpoint(std::string_view email, std::string_view social_id, std::string_view access_token,
                             std::string_view expire_datetime);
Endpoint CalendarMonthEndpoint(int year, int month);
Endpoint CalendarDateEndpoint(int year, int month, int day);
Endpoint DiveLogEndpoint(std::string_view divelog_id);
Endpoint PatchDiveLogEndpoint(std::string_view divelog_id, std::string json_text);
Endpoint StatisticsEndpoint(std::string_view user_id);
Endpoint SearchDiveSitesEndpoint(std::string_view query);
Endpoint HeaderInfoEndpoint(std::string_view model, int firmware_version);
// The upload step: api/v2/devices/... when `command` is exactly
// "addDivelogs", api/v1/devices/... otherwise; the body is the device's raw
// bytes sent with the form content type, `length` in the query their count.
Endpoint UploadStepEndpoint(std::string_view command, std::string_view model, std::string bytes, int firmware_version);

// Absolute URLs of the two update-information downloads of the configured
// service (model "Q7").
std::string FirmwareUpdateInfoUrl();
std::string DiveSiteUpdateInfoUrl();

// Sends `endpoint` on a connected HttpPost, with BearerHeader() when the
// endpoint asks for it; returns what became of it.
HttpResult Send(HttpPost& http, const Endpoint& endpoint);

}  // namespace orv
