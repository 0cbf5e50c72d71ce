// The dive log record: reading a dive the way the service sends it (and the
// ways it should not), the edit record, and merging edits back without
// losing or reshaping what the diver did not touch.
#include <gtest/gtest.h>

#include <json/reader.h>

#include <limits>
#include <memory>

#include "app/app_state.h"
#include "cloud/http_post.h"
#include "divelog/dive_log.h"
#include "values/units.h"

namespace orv {
namespace {

DiveLog Parse(const std::string& text) {
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  DiveLog out;
  std::string errors;
  EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &out, &errors)) << errors;
  return out;
}

// A dive shaped like the service's, with members this program never reads.
DiveLog SampleDive() {
  return Parse(R"({
    "divelog_id": "d42", "dive_datetime": 1717400000, "timezone": -480, "dive_type": "scuba",
    "max_depth": "18.26", "average_depth": "10.5", "dive_duration": 2400,
    "air_in_text": "200", "air_out_text": "50.1", "cylinder_size_text": "11.9", "po2": 21,
    "weather_type": 2, "wave_type": 3, "current_type": 1, "visibility_type": 2,
    "min_temperature": "24.5", "air_temperature": "30.0", "suit_thickness": "3.5", "weight": "7.5",
    "water_type": 1, "altitude": "1013",
    "entry_position": {"latitude": 0, "longitude": 0}, "exit_position": {"latitude": 0, "longitude": 0},
    "poi": {"poi_id": "poi0007", "poi_name": "Green Island", "gps_location": {"latitude": 25.0, "longitude": 121.5}},
    "dive_profiles": [{"profile_time": 0, "pressure": "1013.0"}, {"profile_time": 10, "pressure": "2013.5"}],
    "events": [{"event_time": 10, "event_code": 3, "event_value": 0}],
    "buddy": "Mei", "notes": {"text": "turtle", "stars": 5}
  })");
}

TEST(DiveLogRecord, FillReadsEveryFieldInItsUnit) {
  const DiveLog log = SampleDive();
  const DiveLog before = log;  // NOLINT(performance-unnecessary-copy-initialization): compared after the fill
  const LogEditRecord r = FillEditRecord(log);
  EXPECT_EQ(r.dive_type, DiveType::Scuba);
  EXPECT_EQ(r.site_id, "poi0007");
  EXPECT_DOUBLE_EQ(r.site_latitude, 25.0);
  EXPECT_DOUBLE_EQ(r.site_longitude, 121.5);
  EXPECT_DOUBLE_EQ(r.start_pressure, 200.0);
  EXPECT_DOUBLE_EQ(r.end_pressure, 50.1);  // widened by its decimal form, not 50.099998
  EXPECT_EQ(r.cylinder_volume, 11);        // 11.9 truncated
  EXPECT_EQ(r.weather, 2);
  EXPECT_EQ(r.wave, 3);
  EXPECT_EQ(r.current, 1);
  EXPECT_EQ(r.visibility, 2);
  EXPECT_DOUBLE_EQ(r.suit_thickness, 3.5);
  EXPECT_DOUBLE_EQ(r.weight, 7.5);
  // Reading leaves the dive exactly as sent: no null members planted.
  EXPECT_EQ(log, before);

  EXPECT_EQ(FillEditRecord(Parse(R"({"dive_type": "free"})")).dive_type, DiveType::Free);
  EXPECT_EQ(FillEditRecord(Parse(R"({"dive_type": "gauge"})")).dive_type, DiveType::Gauge);
  EXPECT_EQ(FillEditRecord(Parse(R"({"dive_type": "Free"})")).dive_type, DiveType::Scuba);
  const LogEditRecord placed = FillEditRecord(Parse(
      R"({"entry_position": {"latitude": 25.0331234, "longitude": 121.5654},
          "exit_position": {"latitude": -33.5, "longitude": 151.25}})"));
  EXPECT_DOUBLE_EQ(placed.entry_latitude, 25.0331234);
  EXPECT_DOUBLE_EQ(placed.entry_longitude, 121.5654);
  EXPECT_DOUBLE_EQ(placed.exit_latitude, -33.5);
  EXPECT_DOUBLE_EQ(placed.exit_longitude, 151.25);
}

TEST(DiveLogRecord, SiteIdEmptinessFollowsTheJsonKind) {
  // Null, absent, [] and {} name no site: coordinates are not even read.
  for (const char* id : {"null", "[]", "{}"}) {
    const std::string text =
        std::string(R"({"poi": {"poi_id": )") + id + R"(, "gps_location": {"latitude": 1.5, "longitude": 2.5}}})";
    const LogEditRecord r = FillEditRecord(Parse(text));
    EXPECT_EQ(r.site_id, "") << id;
    EXPECT_EQ(r.site_latitude, 0.0) << id;
    EXPECT_EQ(r.site_longitude, 0.0) << id;
  }
  EXPECT_EQ(FillEditRecord(Parse(R"({"poi": {"gps_location": {"latitude": 1.5}}})")).site_latitude, 0.0);
  // A string, even an empty one, and a number do name one.
  const LogEditRecord empty_text =
      FillEditRecord(Parse(R"({"poi": {"poi_id": "", "gps_location": {"latitude": 1.5, "longitude": 2.5}}})"));
  EXPECT_EQ(empty_text.site_id, "");
  EXPECT_DOUBLE_EQ(empty_text.site_latitude, 1.5);
  const LogEditRecord numeric =
      FillEditRecord(Parse(R"({"poi": {"poi_id": 812, "gps_location": {"latitude": 1.5, "longitude": 2.5}}})"));
  EXPECT_EQ(numeric.site_id, "812");
  EXPECT_DOUBLE_EQ(numeric.site_longitude, 2.5);
}

TEST(DiveLogRecord, UnEditedMergeKeepsTheDiveByteForByte) {
  // Members as the service may send them: decimals of any form, a suit of
  // 3.5 mm, a weather code no dialog option carries, a dive without a site or
  // without a wave member.
  struct Case {
    const char* members;
    const char* drop;
  };
  for (const Case& c : {Case{"{}", ""}, Case{R"({"air_in_text": "210", "weight": "6.5000", "weather_type": 6})", ""},
                        Case{R"({"poi": {"poi_id": null}, "air_out_text": "39.98"})", "wave_type"}}) {
    DiveLog log = SampleDive();
    const DiveLog extra = Parse(c.members);
    for (const auto& name : extra.getMemberNames()) log[name] = extra[name];
    log.removeMember(c.drop);
    const DiveLog sent = log;
    MergeEditRecord(FillEditRecord(log), log);
    EXPECT_EQ(DiveLogJsonText(log), DiveLogJsonText(sent)) << c.members;
  }

  // One field edited: only its member changes.
  DiveLog log = SampleDive();
  const DiveLog sent = log;
  LogEditRecord r = FillEditRecord(log);
  r.weight = 8;
  MergeEditRecord(r, log);
  EXPECT_EQ(log["weight"], "8.000000");
  log["weight"] = sent["weight"];
  EXPECT_EQ(log, sent);
}

TEST(DiveLogRecord, MergeWritesEditsInMetricWhateverTheUnitSetting) {
  const int unit = State().unit;
  for (int setting : {0, 1}) {
    State().unit = setting;
    DiveLog log = SampleDive();
    LogEditRecord r = FillEditRecord(log);
    // What the dialog holds after the diver typed 2901 psi, 725 psi and 16.5 lbs.
    r.start_pressure = PsiToBar(2901);
    r.end_pressure = PsiToBar(725);
    r.weight = PoundsToKilograms(16.5);
    r.cylinder_volume = 80;
    r.suit_thickness = 7.9;
    r.weather = 5;
    r.wave = 0;
    r.current = 4;
    r.visibility = -1;
    MergeEditRecord(r, log);
    EXPECT_EQ(log["air_in_text"], "200.016909") << setting;
    EXPECT_EQ(log["air_out_text"], "49.986990") << setting;
    EXPECT_EQ(log["weight"], "7.484274") << setting;
    EXPECT_EQ(log["cylinder_size_text"], "80") << setting;
    EXPECT_EQ(log["suit_thickness"], "7") << setting;
    EXPECT_EQ(log["weather_type"], 5);
    EXPECT_EQ(log["wave_type"], 0);
    EXPECT_EQ(log["current_type"], 4);
    EXPECT_EQ(log["visibility_type"], -1);
  }
  State().unit = unit;
}

TEST(DiveLogRecord, MergeSite) {
  // No site sent and none picked: `poi` stays as sent.
  DiveLog bare = Parse(R"({"divelog_id": "d1", "poi": {"poi_id": null}})");
  MergeEditRecord(FillEditRecord(bare), bare);
  EXPECT_EQ(bare["poi"], Parse(R"({"poi_id": null})"));

  // Another site picked: the old site's other members go with it.
  DiveLog log = SampleDive();
  LogEditRecord r = FillEditRecord(log);
  r.site_id = "poi0042";
  r.site_latitude = 22.1;
  r.site_longitude = 120.7;
  MergeEditRecord(r, log);
  EXPECT_EQ(log["poi"], Parse(R"({"poi_id": "poi0042", "gps_location": {"latitude": 22.1, "longitude": 120.7}})"));

  // A numeric id survives untouched; a new site is written as a string.
  DiveLog numeric = Parse(R"({"poi": {"poi_id": 812, "poi_name": "Kenting", "gps_location": {"latitude": 1.5,
                             "longitude": 2.5}}})");
  MergeEditRecord(FillEditRecord(numeric), numeric);
  EXPECT_EQ(numeric["poi"]["poi_id"], 812);
  EXPECT_EQ(numeric["poi"]["poi_name"], "Kenting");
  EXPECT_EQ(numeric["poi"]["gps_location"]["longitude"], 2.5);
}

TEST(DiveLogRecord, FreeDiveKeepsItsCylinderMembers) {
  DiveLog log = Parse(R"({"dive_type": "free", "air_in_text": "0", "air_out_text": "n/a",
                          "cylinder_size_text": "", "weight": "2", "suit_thickness": "3"})");
  LogEditRecord r = FillEditRecord(log);
  r.start_pressure = 150;  // a dialog never shows these for a free dive
  r.weight = 3.0;
  MergeEditRecord(r, log);
  EXPECT_EQ(log["air_in_text"], "0");
  EXPECT_EQ(log["air_out_text"], "n/a");
  EXPECT_EQ(log["cylinder_size_text"], "");
  EXPECT_EQ(log["weight"], "3.000000");
  EXPECT_EQ(log["suit_thickness"], "3");
}

TEST(DiveLogRecord, MalformedMembersReadAsZeroAndMergeWithoutAborting) {
  DiveLog log = Parse(R"({
    "dive_type": 2, "air_in_text": 200, "air_out_text": "abc", "cylinder_size_text": "1e20",
    "weather_type": "3", "wave_type": 4.0, "current_type": 1e12, "visibility_type": true,
    "suit_thickness": [], "weight": "-1e40", "entry_position": 7, "exit_position": {"latitude": "25"},
    "poi": "Green Island", "dive_profiles": "none"})");
  const LogEditRecord r = FillEditRecord(log);
  EXPECT_EQ(r.dive_type, DiveType::Scuba);
  EXPECT_EQ(r.start_pressure, 0.0);
  EXPECT_EQ(r.end_pressure, 0.0);
  EXPECT_EQ(r.cylinder_volume, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(r.weather, 0);
  EXPECT_EQ(r.wave, 4);
  EXPECT_EQ(r.current, 0);
  EXPECT_EQ(r.visibility, 0);
  EXPECT_EQ(r.suit_thickness, 0.0);
  EXPECT_EQ(r.weight, 0.0);  // out of single-precision range
  EXPECT_EQ(r.entry_latitude, 0.0);
  EXPECT_EQ(r.exit_latitude, 0.0);
  EXPECT_EQ(r.site_id, "");
  MergeEditRecord(r, log);
  EXPECT_EQ(log["poi"], "Green Island");  // nothing edited, nothing rewritten
  EXPECT_EQ(log["dive_profiles"], "none");
  EXPECT_EQ(log["entry_position"], 7);

  // A site whose gps_location is no object, and a record with no finite value.
  DiveLog odd = Parse(R"({"poi": {"poi_id": "p1", "gps_location": [1, 2]}})");
  LogEditRecord bad = FillEditRecord(odd);
  bad.site_latitude = std::numeric_limits<double>::quiet_NaN();
  bad.weight = std::numeric_limits<double>::infinity();
  bad.suit_thickness = -std::numeric_limits<double>::infinity();
  MergeEditRecord(bad, odd);
  EXPECT_EQ(odd["poi"]["gps_location"]["latitude"], 0.0);
  EXPECT_EQ(odd["weight"], "0.000000");
  EXPECT_EQ(odd["suit_thickness"], "0");

  // Not even an object: the merge starts one rather than aborting.
  DiveLog array = Parse("[1, 2]");
  EXPECT_EQ(FillEditRecord(array).weather, 0);
  MergeEditRecord(FillEditRecord(array), array);
  EXPECT_TRUE(array.isObject());
}

TEST(DiveLogRecord, JsonTextAndStoreRefusals) {
  DiveLog log = Parse(R"({"weight": "7.500000", "divelog_id": "d1", "notes": "Tauchgang \u00fcber 20 m"})");
  const std::string text = DiveLogJsonText(log);
  EXPECT_NE(text.find("\n   \"divelog_id\""), std::string::npos) << text;
  EXPECT_LT(text.find("divelog_id"), text.find("notes"));  // key order
  EXPECT_LT(text.find("notes"), text.find("weight"));
  EXPECT_NE(text.find("\xC3\xBC"), std::string::npos);  // UTF-8 as is
  EXPECT_EQ(Parse(text), log);

  HttpPost http;  // never connected
  EXPECT_EQ(StoreDiveLog(http, log).key(), "HOST_NOT_CONN");
  ASSERT_TRUE(http.Connect("127.0.0.1", 9));
  // A dive without an id has no address; nothing is sent.
  EXPECT_EQ(StoreDiveLog(http, Parse(R"({"weight": "1"})")).key(), "DATA_ERROR");
  EXPECT_EQ(StoreDiveLog(http, Parse(R"({"divelog_id": 42})")).key(), "DATA_ERROR");
}

}  // namespace
}  // namespace orv
