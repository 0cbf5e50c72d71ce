// How stored (metric) dive values become the texts the diver reads, in the
// unit system chosen in the settings, and back again for typed values.
//
// Every conversion reads the unit setting at the moment it runs, so a change
// of setting applies to the next text produced without any refresh logic.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orv {

// The factors every display and export converts with, each written once.
inline constexpr double kFeetPerMetre = 3.2808399;
inline constexpr double kPsiPerBar = 14.5037738;

class DisplayUnits {
 public:
  // True when the unit setting is anything but metric (0).
  static bool Imperial();

  // Depth in metres: "%.1f" m, or × 3.2808399 "%.1f" ft.
  static std::string Depth(double metres);
  static std::string DepthWord();
  // The depth in the diver's unit as a number (statistics, charts).
  static double DepthValue(double metres);
  // Weight in kilograms: "%.1f" kg, or × 2.20462262 "%.1f" lbs.
  static std::string Weight(double kilograms);
  static std::string WeightWord();
  // Temperature in degrees Celsius: "%.1f" c, or ×9/5+32 in single precision, "F".
  static std::string Temperature(double celsius);
  static std::string TemperatureWord();
  // Cylinder pressure in bar: "%.0f" bar, or × 14.5037738 "%.0f" psi.
  static std::string Pressure(double bar);
  static std::string PressureWord();
  // The cylinder volume as the diver entered it; never converted.
  static std::string Volume(int32_t volume);
  static std::string VolumeWord();
  // Air consumption from SacRate, already in the diver's unit:
  // "%.1f" L/min or "%.2f" cuft/min.
  static std::string AirConsumption(double rate);
  static std::string AirConsumptionWord();
  // Suit thickness in millimetres, "%.0f" mm in both systems.
  static std::string SuitThickness(double millimetres);
  static std::string SuitThicknessWord();
};

// Back-conversions for values typed in imperial units.
double PsiToBar(double psi);
double PoundsToKilograms(double pounds);

// A decimal number held in a text, read as strtof reads it: the leading
// number, 0 when the text does not begin with one; the rest is ignored.
// Texts are never read beyond their end, and the C locale's decimal point is
// used whatever locale the desktop runs in.
float ReadDecimal(std::string_view text);

}  // namespace orv
