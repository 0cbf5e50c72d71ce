// Service reply bodies through every check a caller uses, and the member
// readers over whatever the body parsed to.
#include <string>

#include <json/value.h>

#include "cloud/json_read.h"
#include "cloud/reply_check.h"
#include "fuzz_check.h"

using namespace orv;

namespace {

bool IsStandardKey(const std::string& k) {
  return k.empty() || k == "HOST_NOT_CONN" || k == "HOST_ERROR" || k == "DATA_ERROR" || k == "EMAIL_PWD_ERROR";
}

// Every reader on every member (a bounded number), and what each promises
// about members of the wrong type.
void ReadMembers(const Json::Value& object) {
  if (!object.isObject()) {
    FUZZ_CHECK(JsonMember(object, "code").isNull() && JsonText(object, "code").empty() &&
               JsonInt(object, "code") == 0 && JsonNumber(object, "code") == 0.0);
    return;
  }
  int budget = 64;
  for (const std::string& name : object.getMemberNames()) {
    if (--budget < 0) break;
    if (name.find('\0') != std::string::npos) continue;  // not reachable by a C string name
    const Json::Value& v = JsonMember(object, name.c_str());
    const std::string text = JsonText(object, name.c_str());
    const int32_t i = JsonInt(object, name.c_str());
    const double d = JsonNumber(object, name.c_str());
    if (!v.isString())
      FUZZ_CHECK(text.empty());
    else
      FUZZ_CHECK(text == v.asString());
    if (!v.isNumeric()) FUZZ_CHECK(i == 0 && d == 0.0);
    if (v.isInt()) FUZZ_CHECK(i == v.asInt());
    if (v.isObject()) ReadMembers(v);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view body = fuzz::AsText(data, size);

  const Reply standard = ReplyCheck(body, CallKind::Standard);
  const Reply detail = ReplyCheck(body, CallKind::DiveLogDetail);
  const Reply email = ReplyCheck(body, CallKind::EmailSignIn);
  FUZZ_CHECK(IsStandardKey(standard.key()) && standard.key() != "EMAIL_PWD_ERROR");
  FUZZ_CHECK(detail.key() == standard.key());
  // The e-mail sign-in differs only in naming a refused code.
  FUZZ_CHECK(email.key() == (standard.key() == "DATA_ERROR" ? "EMAIL_PWD_ERROR" : standard.key()));

  Json::Value parsed;
  const bool parses = ParseReply(body, parsed);
  FUZZ_CHECK(parses == (standard.key() != "HOST_NOT_CONN"));
  if (standard.ok()) {
    const Json::Value& code = parsed["code"];
    FUZZ_CHECK(code.isString() && code.asString() == "0000000");
    const Json::Value& sent = parsed["response"];
    FUZZ_CHECK(*standard == (sent.isObject() ? sent : Json::Value()));
  }
  const Json::Value response = standard.ok() ? *standard : Json::Value();
  FUZZ_CHECK(response.isNull() || response.isObject());

  const Reply no_device = UploadReplyCheck(body, false);
  FUZZ_CHECK(no_device.key() == "USB_ERROR");
  const Reply upload = UploadReplyCheck(body, true);
  FUZZ_CHECK(upload.key().empty() || upload.key() == "HOST_NOT_CONN" || upload.key() == "HOST_ERROR" ||
             upload.key() == "NOT_SUPPOR_DEVICE");
  FUZZ_CHECK((upload.key() == "HOST_NOT_CONN") == body.empty());
  if (!body.empty()) FUZZ_CHECK((upload.key() == "HOST_ERROR") == !parses);

  ReadMembers(parsed);
  ReadMembers(response);
  return 0;
}
