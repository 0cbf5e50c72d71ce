#include "cloud/reply_check.h"

#include <cctype>

#include "app/message_keys.h"
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

// The envelope's `response`, or a null value when it is not an object.
Json::Value ResponseOf(Json::Value& root) {
  Json::Value response;
  if (root.isObject() && root["response"].isObject()) response.swap(root["response"]);
  return response;
}

}  // namespace

Failure ConnectFailure(CallKind kind) {
  return {kind == CallKind::Standard ? Msg::HostNotConn : Msg::NoInternet, TransferOutcome::NotConnected};
}

bool ParseReply(std::string_view body, Json::Value& out) {
  // A body with trailing bytes is not one JSON value.
  return ParseOutsideJson(body, out, JsonStrictness::Strict);
}

Reply ReplyCheck(std::string_view body, CallKind kind) {
  Json::Value root;
  if (!ParseReply(body, root)) return Msg::HostNotConn;
  const std::string code = CodeText(root);
  if (code.empty()) return Msg::HostError;
  if (code != "0000000") return kind == CallKind::EmailSignIn ? Msg::EmailPwdError : Msg::DataError;
  return ResponseOf(root);
}

Reply UploadReplyCheck(std::string_view body, bool device_step_ok) {
  Json::Value root;
  if (!device_step_ok) return Msg::UsbError;
  if (body.empty()) return Msg::HostNotConn;
  if (!ParseReply(body, root)) return Msg::HostError;
  if (!DecimalIsZero(CodeText(root))) return Msg::NotSupporDevice;
  return ResponseOf(root);
}

namespace {

// The check of a body, with what became of its transfer kept on a failure.
Reply WithOutcome(Reply reply, const HttpResult& result) {
  if (reply.ok()) return reply;
  Failure failure = reply.failure();
  failure.transfer = result.outcome;
  return failure;
}

}  // namespace

Reply ReplyCheck(const HttpResult& result, CallKind kind) {
  return WithOutcome(ReplyCheck(std::string_view(result.body), kind), result);
}

Reply UploadReplyCheck(const HttpResult& result, bool device_step_ok) {
  return WithOutcome(UploadReplyCheck(std::string_view(result.body), device_step_ok), result);
}

}  // namespace orv
