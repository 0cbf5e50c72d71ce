// A dive record read with simdjson, the parser the measurements chose
// (docs/json.md), through the view JsonLog gives over JsonCpp
// (logbook/json_log.h), with JsonCpp's idea of which numbers are integers
// and of a name given twice (the last counts), so both read a record to the
// same values.
#pragma once

#include <simdjson.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "logbook/dive_log_read.h"

namespace orv {

// Nesting simdjson reads; a text deeper than this goes the reply's way,
// whose reader has its own limit (a record is a few levels deep).
inline constexpr size_t kSimdMaxDepth = 32;

// One text parsed whole, owning what its elements point into. Parse is
// false (and root() null) when simdjson does not read the text as one JSON
// value: malformed, trailing bytes, nested beyond kSimdMaxDepth, numbers
// beyond 64 bits, text that is not UTF-8. The caller then reads it the
// way every reply is read, so such a text ends as it always did. The text
// is copied into the parser's own padded buffer: simdjson never reads past
// the end of the caller's memory.
class SimdText {
 public:
  bool Parse(std::string_view text);
  simdjson::dom::element root() const { return root_; }

 private:
  simdjson::dom::parser parser_;
  simdjson::dom::element root_;
};

class SimdLog {
 public:
  SimdLog() = default;
  explicit SimdLog(simdjson::dom::element value) : value_(value), present_(true) {}

  bool IsObject() const { return present_ && value_.is_object(); }
  // Member `name` when it is an object or array (else an absent view).
  SimdLog Object(const char* name) const;

  std::string Text(const char* name) const;
  bool IsString(const char* name) const;
  int32_t Int(const char* name) const;
  int64_t Int64(const char* name) const;
  float Decimal(const char* name) const;
  GeoPoint Point(const char* name) const { return Object(name).OwnPoint(); }
  bool PoiPresent() const;
  std::string PoiId() const;
  std::string PoiName() const { return Object("poi").Text("poi_name"); }
  std::string PoiRegion() const { return Object("poi").Text("poi_region"); }
  GeoPoint PoiPoint() const { return Object("poi").Object("gps_location").OwnPoint(); }
  template <class Each>
  void ForEach(const char* name, Each each) const {
    const std::optional<simdjson::dom::element> m = Member(name);
    simdjson::dom::array list;
    if (m && m->get(list) == simdjson::SUCCESS)
      for (simdjson::dom::element item : list) each(SimdLog(item));
  }
  template <class Each>
  void ForEachValue(const char* name, Each each) const {
    const std::optional<simdjson::dom::element> m = Member(name);
    simdjson::dom::object object;
    if (m && m->get(object) == simdjson::SUCCESS) {
      // JsonCpp keeps one member per name, the last given, in name order.
      ForEachObjectValue(object, [&](simdjson::dom::element v) { each(SimdLog(v)); });
      return;
    }
    ForEach(name, each);
  }
  size_t Count(const char* name) const;

  // The compact text of this value, to be saved.
  std::string Minified() const;

 private:
  std::optional<simdjson::dom::element> Member(const char* name) const;
  GeoPoint OwnPoint() const;
  static void ForEachObjectValue(simdjson::dom::object object, const std::function<void(simdjson::dom::element)>& each);

  simdjson::dom::element value_;
  bool present_ = false;
};

}  // namespace orv
