// How a service reply becomes success or one message key.
#pragma once

#include <string>
#include <string_view>

#include <json/value.h>

#include "cloud/http_post.h"

namespace orv {

// Which caller checks: the e-mail sign-in and the dive-log detail calls name
// other keys than everyone else.
enum class CallKind { Standard, DiveLogDetail, EmailSignIn };

// A checked reply: the envelope's `response` on success (a null value when
// it is absent or not an object, so callers read members without type
// surprises), else the failure with the transfer's outcome, so a caller can
// tell a stop from a fault. A reply that never arrived whole is checked as an
// empty body.
using Reply = Result<Json::Value>;

// When Connect failed: NO_INTERNET for the sign-in and the dive-log detail
// calls, HOST_NOT_CONN for all others.
Failure ConnectFailure(CallKind kind);

// Parses a body the way every reply is parsed: strict JSON, one value, depth
// limited, and false for anything else (an empty body included).
bool ParseReply(std::string_view body, Json::Value& out);

// Standard check: not JSON -> HOST_NOT_CONN; `code` absent or empty ->
// HOST_ERROR; `code` not exactly "0000000" -> DATA_ERROR
// (EMAIL_PWD_ERROR for the e-mail sign-in). A body that is JSON but not an
// object has no `code`.
Reply ReplyCheck(std::string_view body, CallKind kind = CallKind::Standard);
// The same for a request's result: a transfer that did not complete is
// checked as the empty body it returned.
Reply ReplyCheck(const HttpResult& result, CallKind kind = CallKind::Standard);

// Upload check: device step failed -> USB_ERROR; empty body ->
// HOST_NOT_CONN; not JSON -> HOST_ERROR; `code` read like strtol (white
// space, sign, digits; none gives 0) not 0 -> NOT_SUPPOR_DEVICE.
Reply UploadReplyCheck(std::string_view body, bool device_step_ok);
Reply UploadReplyCheck(const HttpResult& result, bool device_step_ok);

}  // namespace orv
