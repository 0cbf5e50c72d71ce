// The values every feature shows the same way: unit texts in both systems,
// the back-conversions, decimal reading, and stepping and reading months.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

#include "app/app_state.h"
#include "values/months.h"
#include "values/units.h"

namespace orv {
namespace {

// Each case sets the unit it reads; the setting is put back afterwards so
// the other suites in this process see the default.
TEST(UnitsTest, QuantitiesInBothSystems) {
  const int32_t saved = State().unit;
  using U = DisplayUnits;
  const struct {
    int32_t unit;
    std::string (*text)();
    const char* expected;
  } cases[] = {
      {0, [] { return U::Depth(18.26f) + " " + U::DepthWord(); }, "18.3 m"},
      {0, [] { return U::Weight(7.5) + " " + U::WeightWord(); }, "7.5 kg"},
      {0, [] { return U::Temperature(25.0) + " " + U::TemperatureWord(); }, "25.0 c"},
      {0, [] { return U::Pressure(200) + " " + U::PressureWord(); }, "200 bar"},
      {0, [] { return U::Volume(12) + " " + U::VolumeWord(); }, "12 L"},
      {0, [] { return U::AirConsumption(22.5) + " " + U::AirConsumptionWord(); }, "22.5 L/min"},
      {0, [] { return U::SuitThickness(5.0) + " " + U::SuitThicknessWord(); }, "5 mm"},
      {1, [] { return U::Depth(18.26f) + " " + U::DepthWord(); }, "59.9 ft"},
      {1, [] { return U::Weight(7.5) + " " + U::WeightWord(); }, "16.5 lbs"},
      {1, [] { return U::Temperature(25.0) + " " + U::TemperatureWord(); }, "77.0 F"},
      {1, [] { return U::Pressure(200) + " " + U::PressureWord(); }, "2901 psi"},
      // The volume is never converted, only its word changes.
      {1, [] { return U::Volume(12) + " " + U::VolumeWord(); }, "12 cuft"},
      {1, [] { return U::AirConsumption(0.5) + " " + U::AirConsumptionWord(); }, "0.50 cuft/min"},
      {1, [] { return U::SuitThickness(5.0) + " " + U::SuitThicknessWord(); }, "5 mm"},
      // Any non-zero setting is imperial.
      {7, [] { return std::string(U::DepthWord()); }, "ft"},
  };
  for (const auto& c : cases) {
    State().unit = c.unit;
    EXPECT_EQ(c.text(), c.expected) << "unit " << c.unit;
  }
  State().unit = saved;
}

TEST(UnitsTest, BackConversions) {
  EXPECT_NEAR(PsiToBar(2901), 200.0169, 1e-4);
  EXPECT_NEAR(PoundsToKilograms(16.5), 7.484, 1e-3);
}

TEST(ReadDecimalTest, LeadingNumberAsStrtofReadsIt) {
  // Values no dive can have ("nan", an overflow) never reach a page as
  // "inf" or "nan".
  const std::pair<std::string_view, float> cases[] = {
      {"18.26", 18.26f},
      {"  35.26m", 35.26f},
      {"+3.5", 3.5f},
      {"-2", -2.0f},
      {".5", 0.5f},
      {"1e1", 10.0f},
      {"", 0.0f},
      {"abc", 0.0f},
      {"+-1", 0.0f},
      {"nan", 0.0f},
      {"1e999", 0.0f},
      // Never read beyond the view's end.
      {std::string_view("12.5", 2), 12.0f},
  };
  for (const auto& [text, value] : cases) EXPECT_FLOAT_EQ(ReadDecimal(text), value) << text;
}

TEST(MonthsTest, StepsCountsAndLabels) {
  const struct {
    int64_t year;
    int month, delta;
    const char* label;
  } steps[] = {
      {2020, 1, -1, "2019-12"},  {2019, 12, +1, "2020-01"}, {2020, 12, +1, "2021-01"},
      {2020, 3, -27, "2017-12"}, {0, 1, -1, "-0001-12"},    {987, 3, 0, "0987-03"},
  };
  for (const auto& s : steps) {
    int64_t y = s.year;
    int m = s.month;
    StepMonth(y, m, s.delta);
    EXPECT_EQ(MonthLabel(y, m), s.label) << s.year << "-" << s.month << " by " << s.delta;
    EXPECT_EQ(MonthRange({s.year, s.month, y, m}).Count(), s.delta >= 0 ? s.delta + 1 : 0);
  }

  const struct {
    const char* text;
    bool ok;
    int64_t year;
    int month;
  } labels[] = {
      {"2024-06", true, 2024, 6}, {"0001-12", true, 1, 12}, {"2024-13", false, 0, 0}, {"2024-00", false, 0, 0},
      {"2024-6", false, 0, 0},    {"2024/06", false, 0, 0}, {"2024-0a", false, 0, 0}, {"", false, 0, 0},
  };
  for (const auto& l : labels) {
    int64_t y = 0;
    int m = 0;
    EXPECT_EQ(ParseMonthLabel(l.text, y, m), l.ok) << l.text;
    if (l.ok) EXPECT_EQ(MonthLabel(y, m), l.text);
  }
}

}  // namespace
}  // namespace orv
