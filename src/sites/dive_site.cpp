#include "sites/dive_site.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace orv::sites {

const char* TypeElementName(int code) {
  switch (code) {
    case 0:
      return "scuba";
    case 1:
      return "freedive";
    case 2:
      return "gauge";
    default:
      return "";
  }
}

bool IsTypeCode(int code) { return code >= 0 && code < kTypeCount; }

std::string_view CutUtf8(std::string_view utf8, size_t limit) {
  if (utf8.size() <= limit) return utf8;
  // Back off over continuation bytes to the start of the character that the
  // limit would split; a UTF-8 character has at most three of them, so
  // malformed input cannot make us drop more than that.
  size_t cut = limit;
  for (int back = 0; back < 3 && cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80; ++back) --cut;
  if ((static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) cut = limit;  // not UTF-8 at all: plain cut
  return utf8.substr(0, cut);
}

std::string DiveSite::Name() const {
  const char* end = static_cast<const char*>(std::memchr(name.data(), 0, name.size()));
  return std::string(name.data(), end ? static_cast<size_t>(end - name.data()) : name.size());
}

void DiveSite::SetName(std::string_view utf8) {
  utf8 = utf8.substr(0, utf8.find('\0'));
  const std::string_view kept = CutUtf8(utf8, kNameBytes);
  name.fill(0);
  std::memcpy(name.data(), kept.data(), kept.size());
}

DiveSite DiveSite::Make(uint8_t type, std::string_view name, int32_t latitude, int32_t longitude) {
  DiveSite site;
  site.type = type;
  site.SetName(name);
  site.latitude = latitude;
  site.longitude = longitude;
  return site;
}

namespace {

void PutLe32(uint8_t* p, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}

int32_t GetLe32(const uint8_t* p) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(p[i]) << (8 * i);
  return static_cast<int32_t>(u);
}

constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
constexpr int64_t kMin = std::numeric_limits<int32_t>::min();

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

void EncodeSlot(const DiveSite& site, uint8_t* slot) {
  slot[0] = site.type;
  std::memcpy(slot + 1, site.name.data(), kNameBytes);
  PutLe32(slot + 56, site.latitude);
  PutLe32(slot + 60, site.longitude);
}

DiveSite DecodeSlot(const uint8_t* slot) {
  DiveSite site;
  site.type = slot[0];
  std::memcpy(site.name.data(), slot + 1, kNameBytes);
  site.latitude = GetLe32(slot + 56);
  site.longitude = GetLe32(slot + 60);
  return site;
}

namespace {

// The longest leading part of `text` that strtod would read as a decimal
// number (blanks before it skipped); empty when there is none. Spelled out
// here so the decimal point is '.' whatever the process's locale.
std::string_view LeadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  const size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i) ++digits;
  }
  if (digits == 0) return {};
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  return text.substr(start, i - start);
}

}  // namespace

double ParseDegrees(std::string_view text) {
  std::string_view number = LeadingNumber(text);
  if (!number.empty() && number[0] == '+') number.remove_prefix(1);
  double value = 0;
  const auto r = std::from_chars(number.data(), number.data() + number.size(), value);
  if (r.ec == std::errc::result_out_of_range) {
    // Far beyond any coordinate: held at the largest value of its sign.
    const bool negative = !number.empty() && number[0] == '-';
    const bool tiny = number.find_first_of("eE") != std::string_view::npos &&
                      number.find('-', number.find_first_of("eE")) != std::string_view::npos;
    if (tiny) return 0;
    return negative ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
  }
  return r.ec == std::errc() ? value : 0;
}

int32_t ParseMicroDegrees(std::string_view text) {
  const std::string_view number = LeadingNumber(text);
  if (number.empty()) return 0;
  size_t i = 0;
  bool negative = false;
  if (number[0] == '+' || number[0] == '-') negative = number[i++] == '-';

  // The significant digits without leading zeros, and the power of ten of
  // their last digit.
  std::string digits;
  int64_t exponent = 0;
  for (; i < number.size() && IsDigit(number[i]); ++i) {
    if (!digits.empty() || number[i] != '0') digits += number[i];
  }
  if (i < number.size() && number[i] == '.') {
    for (++i; i < number.size() && IsDigit(number[i]); ++i) {
      --exponent;
      if (!digits.empty() || number[i] != '0') digits += number[i];
    }
  }
  if (i < number.size()) {  // the exponent LeadingNumber let through
    size_t j = i + 1;
    bool exp_negative = false;
    if (number[j] == '+' || number[j] == '-') exp_negative = number[j++] == '-';
    int64_t e = 0;
    for (; j < number.size(); ++j) e = std::min<int64_t>(e * 10 + (number[j] - '0'), 1000000);
    exponent += exp_negative ? -e : e;
  }
  exponent += 6;  // to millionths of a degree
  if (exponent < 0) {
    // Truncation toward zero: the digits below a millionth go.
    const auto drop = static_cast<size_t>(-exponent);
    digits = drop >= digits.size() ? std::string() : digits.substr(0, digits.size() - drop);
    exponent = 0;
  }
  if (digits.empty()) return 0;
  if (static_cast<int64_t>(digits.size()) + exponent > 10)
    return negative ? static_cast<int32_t>(kMin) : static_cast<int32_t>(kMax);
  int64_t value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  for (int64_t k = 0; k < exponent; ++k) value *= 10;
  if (negative) value = -value;
  return static_cast<int32_t>(std::clamp(value, kMin, kMax));
}

int32_t DegreesToMicro(double degrees) {
  if (std::isnan(degrees)) return 0;
  if (std::isinf(degrees)) return degrees < 0 ? static_cast<int32_t>(kMin) : static_cast<int32_t>(kMax);
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, degrees);
  if (r.ec != std::errc()) return 0;
  return ParseMicroDegrees(std::string_view(buf, static_cast<size_t>(r.ptr - buf)));
}

double MicroToDegrees(int32_t micro) { return micro / 1000000.0; }

std::string FormatMicroDegrees(int32_t micro) {
  const int64_t v = micro;
  const int64_t a = v < 0 ? -v : v;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%lld.%06lld", v < 0 ? "-" : "", static_cast<long long>(a / 1000000),
                static_cast<long long>(a % 1000000));
  return buf;
}

std::string FormatDegrees(double degrees) {
  const int n = std::snprintf(nullptr, 0, "%.6f", degrees);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  std::snprintf(out.data(), out.size() + 1, "%.6f", degrees);
  return out;
}

}  // namespace orv::sites
