#include "cloud/json_read.h"

#include <json/reader.h>

#include <limits>
#include <memory>

namespace orv {

bool ParseOutsideJson(std::string_view text, Json::Value& out, JsonStrictness strictness) {
  out = Json::Value();
  if (text.empty()) return false;
  Json::CharReaderBuilder builder;
  builder.settings_["failIfExtra"] = strictness == JsonStrictness::Strict;
  // Far below what the stack holds; JsonCpp reports passing it by throwing.
  builder.settings_["stackLimit"] = 200;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  std::string errors;
  try {
    if (reader->parse(text.data(), text.data() + text.size(), &out, &errors)) return true;
  } catch (const std::exception&) {
  }
  out = Json::Value();
  return false;
}

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

void AppendJsonString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      out += "\\u00";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  out += '"';
}

}  // namespace orv
