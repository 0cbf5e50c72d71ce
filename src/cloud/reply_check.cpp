#include "cloud/reply_check.h"

#include <cctype>

#include "cloud/json_read.h"

namespace orv {

namespace {

// `code` as text; numbers and booleans read the way JsonCpp writes them as
// strings, objects and arrays as empty.
std::string CodeText(const Json::Value& root) {
  const Json::Value& code = JsonMember(root, "code");
  if (code.isString()) return code.asString();
  if (code.isNumeric() || code.isBool()) return code.asString();
  return {};
}

// strtol's reading of a decimal text, reduced to "is it zero".
bool DecimalIsZero(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    if (text[i] != '0') return false;
  return true;
}

}  // namespace

const Json::Value& CheckedReply::response() const {
  const Json::Value& response = JsonMember(root, "response");
  return response.isObject() ? response : Json::Value::nullSingleton();
}

std::string ConnectFailureKey(CallKind kind) { return kind == CallKind::Standard ? "HOST_NOT_CONN" : "NO_INTERNET"; }

bool ParseReply(std::string_view body, Json::Value& out) {
  // A body with trailing bytes is not one JSON value.
  return ParseOutsideJson(body, out, JsonStrictness::Strict);
}

CheckedReply ReplyCheck(std::string_view body, CallKind kind) {
  CheckedReply reply;
  if (!ParseReply(body, reply.root)) {
    reply.key = "HOST_NOT_CONN";
    return reply;
  }
  std::string code = CodeText(reply.root);
  if (code.empty())
    reply.key = "HOST_ERROR";
  else if (code != "0000000")
    reply.key = kind == CallKind::EmailSignIn ? "EMAIL_PWD_ERROR" : "DATA_ERROR";
  return reply;
}

CheckedReply UploadReplyCheck(std::string_view body, bool device_step_ok) {
  CheckedReply reply;
  if (!device_step_ok)
    reply.key = "USB_ERROR";
  else if (body.empty())
    reply.key = "HOST_NOT_CONN";
  else if (!ParseReply(body, reply.root))
    reply.key = "HOST_ERROR";
  else if (!DecimalIsZero(CodeText(reply.root)))
    reply.key = "NOT_SUPPOR_DEVICE";
  return reply;
}

CheckedReply ReplyCheck(const HttpResult& result, CallKind kind) {
  CheckedReply reply = ReplyCheck(std::string_view(result.body), kind);
  reply.transfer = result.outcome;
  return reply;
}

CheckedReply UploadReplyCheck(const HttpResult& result, bool device_step_ok) {
  CheckedReply reply = UploadReplyCheck(std::string_view(result.body), device_step_ok);
  reply.transfer = result.outcome;
  return reply;
}

}  // namespace orv
