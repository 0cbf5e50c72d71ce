#include "logbook/simd_log.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "values/units.h"

namespace orv {

namespace {

using simdjson::dom::element;
using simdjson::dom::element_type;

bool Integral(double d) {
  double whole = 0;
  return std::modf(d, &whole) == 0.0;
}

std::optional<double> Number(const std::optional<element>& v) {
  if (!v) return std::nullopt;
  switch (v->type()) {
    case element_type::INT64:
      return static_cast<double>(int64_t(*v));
    case element_type::UINT64:
      return static_cast<double>(uint64_t(*v));
    case element_type::DOUBLE:
      return double(*v);
    default:
      return std::nullopt;
  }
}

}  // namespace

bool SimdText::Parse(std::string_view text) {
  root_ = element();
  if (parser_.max_depth() != kSimdMaxDepth &&
      parser_.allocate(std::max<size_t>(text.size(), 1 << 16), kSimdMaxDepth) != simdjson::SUCCESS)
    return false;
  // Copied into the parser's padded buffer (realloc_if_needed).
  element root;
  if (parser_.parse(text.data(), text.size(), true).get(root) != simdjson::SUCCESS) return false;
  root_ = root;
  return true;
}

std::optional<element> SimdLog::Member(const char* name) const {
  simdjson::dom::object object;
  if (!present_ || value_.get(object) != simdjson::SUCCESS) return std::nullopt;
  // The last member of that name, as JsonCpp keeps a name given twice.
  std::optional<element> found;
  const std::string_view key(name);
  for (const auto field : object)
    if (field.key == key) found = field.value;
  return found;
}

SimdLog SimdLog::Object(const char* name) const {
  const std::optional<element> m = Member(name);
  return m ? SimdLog(*m) : SimdLog();
}

std::string SimdLog::Text(const char* name) const {
  std::string_view text;
  const std::optional<element> m = Member(name);
  return m && m->get(text) == simdjson::SUCCESS ? std::string(text) : std::string();
}

bool SimdLog::IsString(const char* name) const {
  const std::optional<element> m = Member(name);
  return m && m->is_string();
}

int32_t SimdLog::Int(const char* name) const {
  const std::optional<double> d = Number(Member(name));
  if (!d || *d < std::numeric_limits<int32_t>::min() || *d > std::numeric_limits<int32_t>::max()) return 0;
  return static_cast<int32_t>(*d);
}

int64_t SimdLog::Int64(const char* name) const {
  const std::optional<element> m = Member(name);
  if (m && m->type() == element_type::INT64) return int64_t(*m);
  if (m && m->type() == element_type::DOUBLE) {
    const double d = double(*m);
    if (d >= -9223372036854775808.0 && d < 9223372036854775808.0 && Integral(d)) return static_cast<int64_t>(d);
  }
  return Int(name);
}

float SimdLog::Decimal(const char* name) const {
  std::string_view text;
  const std::optional<element> m = Member(name);
  return m && m->get(text) == simdjson::SUCCESS ? ReadDecimal(text) : 0.0f;
}

bool SimdLog::PoiPresent() const {
  const std::optional<element> id = Object("poi").Member("poi_id");
  if (!id || id->is_null()) return false;
  if (id->is_array()) return id->get_array().size() > 0;
  if (id->is_object()) return id->get_object().size() > 0;
  return true;
}

std::string SimdLog::PoiId() const {
  const std::optional<element> id = Object("poi").Member("poi_id");
  if (!id) return {};
  switch (id->type()) {
    case element_type::STRING:
      return std::string(std::string_view(*id));
    case element_type::INT64:
      return std::to_string(int64_t(*id));
    case element_type::UINT64:
      return std::to_string(uint64_t(*id));
    case element_type::DOUBLE: {
      const double d = double(*id);
      if (!Integral(d) || d < -9223372036854775808.0 || d >= 18446744073709551616.0) return {};
      return d < 9223372036854775808.0 ? std::to_string(static_cast<int64_t>(d))
                                       : std::to_string(static_cast<uint64_t>(d));
    }
    default:
      return {};
  }
}

GeoPoint SimdLog::OwnPoint() const {
  auto finite = [&](const char* name) {
    const std::optional<double> d = Number(Member(name));
    return d && std::isfinite(*d) ? *d : 0.0;
  };
  return {finite("latitude"), finite("longitude")};
}

void SimdLog::ForEachObjectValue(simdjson::dom::object object, const std::function<void(element)>& each) {
  std::vector<std::pair<std::string_view, element>> members;
  for (const auto field : object) members.emplace_back(field.key, field.value);
  std::stable_sort(members.begin(), members.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t i = 0; i < members.size(); ++i)
    if (i + 1 == members.size() || members[i + 1].first != members[i].first) each(members[i].second);
}

size_t SimdLog::Count(const char* name) const {
  const std::optional<element> m = Member(name);
  if (!m) return 0;
  size_t n = 0;
  // Counted, not asked: simdjson's own size stops at 2^24.
  if (m->is_array()) {
    for ([[maybe_unused]] element item : m->get_array()) ++n;
    return n;
  }
  if (!m->is_object()) return 0;
  ForEachObjectValue(m->get_object(), [&](element) { ++n; });
  return n;
}

std::string SimdLog::Minified() const { return present_ ? simdjson::minify(value_) : std::string(); }

}  // namespace orv
