// Reading members of service JSON without trusting its types: a member that
// is absent or of another type reads as empty text or 0, never throws.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <json/value.h>

namespace orv {

// How much a text must be one JSON value: Strict refuses bytes after it.
enum class JsonStrictness { Lenient, Strict };

// Parses JSON that came from outside (a reply, a downloaded information, a
// file). Never throws: a text that is not JSON, or that nests deeper than
// the parser's limit, is false with `out` null.
bool ParseOutsideJson(std::string_view text, Json::Value& out, JsonStrictness strictness);

// Member `name` of `object`, or a null value when `object` is not an object
// or has no such member.
const Json::Value& JsonMember(const Json::Value& object, const char* name);
// A string member's text; empty for absent or non-string members.
std::string JsonText(const Json::Value& object, const char* name);
// An integer member as 32-bit; 0 for absent, non-numeric or out-of-range values.
int32_t JsonInt(const Json::Value& object, const char* name);
// An integer member as 64-bit (seconds since 1970 pass 32 bits in 2038);
// otherwise as JsonInt.
int64_t JsonInt64(const Json::Value& object, const char* name);
// A numeric member; 0.0 otherwise.
double JsonNumber(const Json::Value& object, const char* name);

// `text` as a JSON string, quotes included, appended to `out`: escaped by
// hand where a writer per value would cost more than a whole list of dives.
// UTF-8 passes as it is.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace orv
