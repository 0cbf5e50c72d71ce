#include "values/units.h"

#include <charconv>
#include <cmath>

#include "app/app_state.h"
#include "values/value_text.h"

namespace orv {

namespace {

constexpr double kPoundsPerKilogram = 2.20462262;
constexpr double kBarPerPsi = 0.0689475729;
constexpr double kKilogramsPerPound = 0.45359237;

}  // namespace

bool DisplayUnits::Imperial() { return State().unit != 0; }

double DisplayUnits::DepthValue(double metres) { return Imperial() ? metres * kFeetPerMetre : metres; }
std::string DisplayUnits::Depth(double metres) { return FixedText(DepthValue(metres), 1); }
std::string DisplayUnits::DepthWord() { return Imperial() ? "ft" : "m"; }

std::string DisplayUnits::Weight(double kilograms) {
  return FixedText(Imperial() ? kilograms * kPoundsPerKilogram : kilograms, 1);
}
std::string DisplayUnits::WeightWord() { return Imperial() ? "lbs" : "kg"; }

std::string DisplayUnits::Temperature(double celsius) {
  if (!Imperial()) return FixedText(celsius, 1);
  // Single precision, step by step, so the text matches what the dive
  // computer's own display rounds to.
  float f = static_cast<float>(celsius);
  f = f * 9.0f;
  f = f / 5.0f;
  f = f + 32.0f;
  return FixedText(f, 1);
}
std::string DisplayUnits::TemperatureWord() { return Imperial() ? "F" : "c"; }

std::string DisplayUnits::Pressure(double bar) { return FixedText(Imperial() ? bar * kPsiPerBar : bar, 0); }
std::string DisplayUnits::PressureWord() { return Imperial() ? "psi" : "bar"; }

std::string DisplayUnits::Volume(int32_t volume) { return std::to_string(volume); }
std::string DisplayUnits::VolumeWord() { return Imperial() ? "cuft" : "L"; }

std::string DisplayUnits::AirConsumption(double rate) { return FixedText(rate, Imperial() ? 2 : 1); }
std::string DisplayUnits::AirConsumptionWord() { return Imperial() ? "cuft/min" : "L/min"; }

std::string DisplayUnits::SuitThickness(double millimetres) { return FixedText(millimetres, 0); }
std::string DisplayUnits::SuitThicknessWord() { return "mm"; }

double PsiToBar(double psi) { return psi * kBarPerPsi; }
double PoundsToKilograms(double pounds) { return pounds * kKilogramsPerPound; }

float ReadDecimal(std::string_view text) {
  size_t i = 0;
  // strtof skips leading white space and accepts a plus sign.
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // from_chars is locale-independent; strtof would read "18.26" as 18 under
  // a desktop locale whose decimal mark is a comma.
  float value = 0.0f;
  const char* begin = text.data() + i;
  const char* end = text.data() + text.size();
  if (begin < end && (*begin == '+' || *begin == '-')) return 0.0f;  // "+-1" is no number
  auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // strtof gives ±HUGE_VALF or a denormal/zero here; either way not a value
    // the diver could have logged, and an infinity would print as "inf".
    return 0.0f;
  }
  if (ec != std::errc() || ptr == begin || !std::isfinite(value)) return 0.0f;
  return negative ? -value : value;
}

}  // namespace orv
