#include "cloud/json_read.h"

#include <limits>

namespace orv {

const Json::Value& JsonMember(const Json::Value& object, const char* name) {
  static const Json::Value null_value;
  if (!object.isObject()) return null_value;
  const Json::Value* found = object.find(name, name + std::char_traits<char>::length(name));
  return found ? *found : null_value;
}

std::string JsonText(const Json::Value& object, const char* name) {
  const Json::Value& v = JsonMember(object, name);
  return v.isString() ? v.asString() : std::string();
}

int32_t JsonInt(const Json::Value& object, const char* name) {
  const Json::Value& v = JsonMember(object, name);
  if (v.isInt()) return v.asInt();
  if (v.isDouble()) {
    double d = v.asDouble();
    if (d >= std::numeric_limits<int32_t>::min() && d <= std::numeric_limits<int32_t>::max())
      return static_cast<int32_t>(d);
  }
  return 0;
}

int64_t JsonInt64(const Json::Value& object, const char* name) {
  const Json::Value& v = JsonMember(object, name);
  if (v.isInt64()) return v.asInt64();
  return JsonInt(object, name);
}

double JsonNumber(const Json::Value& object, const char* name) {
  const Json::Value& v = JsonMember(object, name);
  return v.isNumeric() ? v.asDouble() : 0.0;
}

}  // namespace orv
