#include "values/value_text.h"

#include <charconv>
#include <cmath>

namespace orv {

std::string FixedText(double value, int decimals) {
  // Values here come from service texts and arithmetic on them; a NaN or an
  // infinity would only print as "nan"/"inf", so it shows as zero instead.
  if (!std::isfinite(value)) value = 0.0;
  char buf[400];
  auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return "0";
  std::string text(buf, ptr);
  // printf keeps the sign of a value that rounds to zero ("-0.0"); a diver
  // reading "-0.0 m" sees a fault, so a zero shows without sign.
  if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

std::string PaddedInt(long long value, int width) {
  const bool negative = value < 0;
  unsigned long long magnitude =
      negative ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  std::string digits = std::to_string(magnitude);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
  return negative ? "-" + digits : digits;
}

}  // namespace orv
