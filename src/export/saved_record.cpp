#include "export/saved_record.h"

#include <simdjson.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "export/export_dive_build.h"
#include "logbook/write_through.h"
#include "values/units.h"

namespace orv {

namespace {

using simdjson::dom::element;
using simdjson::dom::element_type;

// A record is a few levels deep; anything deeper goes the reply's way,
// whose reader has its own limit.
constexpr size_t kMaxDepth = 32;

bool Integral(double d) {
  double whole = 0;
  return std::modf(d, &whole) == 0.0;
}

// One JSON value read by the rules of dive_log_read.h, with JsonCpp's idea of
// which numbers are integers, so both readers give the same values.
class SimdLog {
 public:
  SimdLog() = default;
  explicit SimdLog(element value) : value_(value), present_(true) {}

  std::string Text(const char* name) const {
    std::string_view text;
    const std::optional<element> m = Member(name);
    return m && m->get(text) == simdjson::SUCCESS ? std::string(text) : std::string();
  }
  bool IsString(const char* name) const {
    const std::optional<element> m = Member(name);
    return m && m->is_string();
  }
  int32_t Int(const char* name) const {
    const std::optional<double> d = Number(Member(name));
    if (!d || *d < std::numeric_limits<int32_t>::min() || *d > std::numeric_limits<int32_t>::max()) return 0;
    return static_cast<int32_t>(*d);
  }
  int64_t Int64(const char* name) const {
    const std::optional<element> m = Member(name);
    if (m && m->type() == element_type::INT64) return int64_t(*m);
    if (m && m->type() == element_type::DOUBLE) {
      const double d = double(*m);
      if (d >= -9223372036854775808.0 && d < 9223372036854775808.0 && Integral(d)) return static_cast<int64_t>(d);
    }
    return Int(name);
  }
  float Decimal(const char* name) const {
    std::string_view text;
    const std::optional<element> m = Member(name);
    return m && m->get(text) == simdjson::SUCCESS ? ReadDecimal(text) : 0.0f;
  }
  GeoPoint Point(const char* name) const { return Object(name).Point(); }
  bool PoiPresent() const {
    const std::optional<element> id = Object("poi").Member("poi_id");
    if (!id || id->is_null()) return false;
    if (id->is_array()) return id->get_array().size() > 0;
    if (id->is_object()) return id->get_object().size() > 0;
    return true;
  }
  std::string PoiId() const {
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
  std::string PoiName() const { return Object("poi").Text("poi_name"); }
  GeoPoint PoiPoint() const { return Object("poi").Object("gps_location").Point(); }
  template <class Each>
  void ForEach(const char* name, Each each) const {
    const std::optional<element> m = Member(name);
    simdjson::dom::array list;
    if (m && m->get(list) == simdjson::SUCCESS)
      for (element item : list) each(SimdLog(item));
  }

 private:
  // The last member of that name, as JsonCpp keeps a name given twice.
  std::optional<element> Member(const char* name) const {
    simdjson::dom::object object;
    if (!present_ || value_.get(object) != simdjson::SUCCESS) return std::nullopt;
    std::optional<element> found;
    const std::string_view key(name);
    for (const auto field : object)
      if (field.key == key) found = field.value;
    return found;
  }
  SimdLog Object(const char* name) const {
    const std::optional<element> m = Member(name);
    return m ? SimdLog(*m) : SimdLog();
  }
  static std::optional<double> Number(const std::optional<element>& v) {
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
  GeoPoint Point() const {
    auto finite = [&](const char* name) {
      const std::optional<double> d = Number(Member(name));
      return d && std::isfinite(*d) ? *d : 0.0;
    };
    return {finite("latitude"), finite("longitude")};
  }

  element value_;
  bool present_ = false;
};

}  // namespace

std::optional<ExportDive> ReadExportDive(std::string_view record) {
  thread_local simdjson::dom::parser parser = [] {
    simdjson::dom::parser p;
    if (p.allocate(1 << 16, kMaxDepth) != simdjson::SUCCESS) return simdjson::dom::parser();
    return p;
  }();
  element root;
  if (parser.parse(record.data(), record.size(), true).get(root) != simdjson::SUCCESS || !root.is_object())
    return std::nullopt;
  return BuildExportDive(SimdLog(root));
}

std::optional<ExportDive> SavedExportDive(const std::string& divelog_id) {
  std::shared_ptr<SavedCopy> copy = ActiveSavedCopy();
  std::optional<std::string> text = copy ? copy->Read({SavedKind::Dive, divelog_id}) : std::nullopt;
  return text ? ReadExportDive(*text) : std::nullopt;
}

}  // namespace orv
