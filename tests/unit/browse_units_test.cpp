// Time texts, the two dive calculations, the dive type and the condition
// words, in both unit systems and under a desktop locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/app_state.h"
#include "app/string_table.h"
#include "divelog/dive_values.h"
#include "values/units.h"

namespace orv {
namespace {

class UnitsTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = State().unit; }
  void TearDown() override { State().unit = saved_; }
  static void Metric() { State().unit = 0; }
  static void Imperial() { State().unit = 1; }
  int32_t saved_ = 0;
};

TEST_F(UnitsTest, TextsIgnoreTheDesktopLocale) {
  // GTK programs run under the diver's locale; a comma as decimal mark must
  // neither change the texts nor stop a service number at its point. The
  // locale is compiled into a private folder so the test needs no system set-up.
  char folder[] = "/tmp/orvelle-locale-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string dir = folder;
  const std::string cmd = "localedef -i de_DE -f UTF-8 '" + dir + "/de_DE.UTF-8' >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "localedef cannot build de_DE";
  setenv("LOCPATH", dir.c_str(), 1);
  ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr);
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 1.5);
  EXPECT_STREQ(probe, "1,5");  // the locale is really in force
  Metric();
  EXPECT_EQ(DisplayUnits::Depth(ReadDecimal("18.26")), "18.3");
  EXPECT_EQ(StartTimeText(1600682400, -480), "2020-09-21 18:00");
  std::setlocale(LC_NUMERIC, "C");
  unsetenv("LOCPATH");
  std::filesystem::remove_all(dir);
}

TEST(TimeTextTest, StartAndDuration) {
  EXPECT_EQ(StartTimeText(1600682400, -480), "2020-09-21 18:00");
  EXPECT_EQ(StartTitleText(1600682400, -480), "09-21 18:00");
  EXPECT_EQ(StartTitleText(1600682400, 60), "09-21 09:00");
  EXPECT_EQ(StartTimeText(0, 0), "1970-01-01 00:00");
  // Before 1970 the breakdown still gives a real calendar time.
  EXPECT_EQ(StartTimeText(-60, 0), "1969-12-31 23:59");
  EXPECT_EQ(DurationText(3725), "01:02");
  EXPECT_EQ(DurationText(2700), "45'00");
  EXPECT_EQ(DurationText(59), "00'59");
  EXPECT_EQ(DurationText(0), "00'00");
  EXPECT_EQ(DurationText(3600), "01:00");
  EXPECT_EQ(DurationText(36000), "10:00");
}

TEST_F(UnitsTest, SacRateAndDepthFromPressure) {
  Metric();
  EXPECT_FLOAT_EQ(SacRate(10, 2400, 0, 200, 50, 12), 22.5f);
  Imperial();
  // 150 bar over 40 min at 2 atm (salt K = 33 applies to water type 0).
  const double expect0 = (150 * 14.5037738 / 40) / (10 * 3.2808399 / 33 + 1) * (12 / 3000.0);
  const double expect1 = (150 * 14.5037738 / 40) / (10 * 3.2808399 / 34 + 1) * (12 / 3000.0);
  EXPECT_NEAR(SacRate(10, 2400, 0, 200, 50, 12), expect0, 1e-5);
  EXPECT_NEAR(SacRate(10, 2400, 1, 200, 50, 12), expect1, 1e-5);
  // No dive time gives no rate rather than an infinity.
  EXPECT_EQ(SacRate(10, 0, 0, 200, 50, 12), 0.0f);
  Metric();
  EXPECT_EQ(SacRate(-10, 600, 0, 200, 50, 12), 0.0f);

  EXPECT_FLOAT_EQ(DepthFromPressure(1013, 2013, 0), 10.0f);
  EXPECT_FLOAT_EQ(DepthFromPressure(1013, 2013, 1), 10.25f);
  EXPECT_EQ(DepthFromPressure(1013, 1050, 0), 0.0f);
  // No altitude (0) and values outside 520..1060 mean sea level.
  EXPECT_FLOAT_EQ(DepthFromPressure(0, 2013, 0), 10.0f);
  EXPECT_FLOAT_EQ(DepthFromPressure(1061, 2013, 0), 10.0f);
  EXPECT_FLOAT_EQ(DepthFromPressure(520, 1520, 0), 10.0f);
}

TEST(DiveTypeTest, ExactWordsOnly) {
  EXPECT_EQ(DecodeDiveType("scuba"), DiveType::Scuba);
  EXPECT_EQ(DecodeDiveType("gauge"), DiveType::Gauge);
  EXPECT_EQ(DecodeDiveType("free"), DiveType::Free);
  EXPECT_EQ(DecodeDiveType("freedive"), DiveType::Scuba);
  EXPECT_EQ(DecodeDiveType("SCUBA"), DiveType::Scuba);
  EXPECT_EQ(DecodeDiveType("Free"), DiveType::Scuba);
  EXPECT_EQ(DiveTypePicture(DiveType::Free), "../images/freedive.png");
  EXPECT_EQ(DiveTypePicture(DiveType::Gauge), "../images/gauge.png");
  EXPECT_EQ(DiveTypePicture(DecodeDiveType("")), "../images/scuba.png");
  EXPECT_EQ(DiveTypeKey(DiveType::Free), "FREEDIVE");
  LanguageCode = "ENG";
  EXPECT_EQ(DiveTypeWord(DiveType::Gauge), Tr("GAUGE"));
  EXPECT_FALSE(Tr("GAUGE").empty());
}

TEST(ConditionTest, KeysAndNotAvailable) {
  EXPECT_EQ(ConditionKey(ConditionScale::Weather, 5), "OVERCAST");
  EXPECT_EQ(ConditionKey(ConditionScale::Waves, 4), "WAVE_HIGH");
  EXPECT_EQ(ConditionKey(ConditionScale::Current, 1), "CURRENT_NO");
  EXPECT_EQ(ConditionKey(ConditionScale::Visibility, 3), "VISIBILITY_BAD");
  for (int code : {0, 6, -1, 1 << 30}) EXPECT_EQ(ConditionWord(ConditionScale::Weather, code), "N/A") << code;
  EXPECT_EQ(ConditionWord(ConditionScale::Visibility, 4), "N/A");
  EXPECT_EQ(ConditionWord(ConditionScale::Waves, 5), "N/A");
  LanguageCode = "CHT";
  EXPECT_EQ(ConditionWord(ConditionScale::Weather, 1), Tr("SUNNY"));
  EXPECT_NE(ConditionWord(ConditionScale::Weather, 1), "N/A");
  LanguageCode = "ENG";
}

}  // namespace
}  // namespace orv
