// The social platform's profile ("me.json") from arbitrary bytes: what is
// taken fits the service's field lengths, the name is cut only at a
// character boundary, and a refused profile leaves the caller's one alone.
#include <json/value.h>

#include "account/social_sign_in.h"
#include "app/string_table.h"
#include "cloud/reply_check.h"
#include "fuzz_check.h"

using namespace orv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view json = fuzz::AsText(data, size);
  SocialProfile profile{"keep@mail", "keep", "Keep"};
  if (!ParseSocialProfile(json, profile)) {
    FUZZ_CHECK(profile.email == "keep@mail" && profile.id == "keep" && profile.name == "Keep");
    return 0;
  }
  Json::Value root;
  FUZZ_CHECK(ParseReply(json, root) && root.isObject() && !root.isMember("error"));
  FUZZ_CHECK(root["id"].isString() && profile.id == root["id"].asString() && !profile.id.empty());
  FUZZ_CHECK(Utf16Length(profile.id) <= kMaxSocialTextLength);
  FUZZ_CHECK(Utf16Length(profile.email) <= kMaxSocialTextLength);
  FUZZ_CHECK(Utf16Length(profile.name) <= kMaxSocialTextLength);
  const Json::Value& name = root["name"];
  const std::string full = name.isString() ? name.asString() : std::string();
  FUZZ_CHECK(full.compare(0, profile.name.size(), profile.name) == 0);
  if (fuzz::IsValidUtf8(full)) FUZZ_CHECK(fuzz::IsValidUtf8(profile.name));
  return 0;
}
