// A saved record read straight from its text (simdjson) must give the export
// the bytes the reply's reader (JsonCpp) gives, member types as odd as they
// come; what it cannot read whole it leaves to that reader.
#include <gtest/gtest.h>

#include "cloud/json_read.h"
#include "export/log_book_export.h"
#include "export/saved_record.h"

namespace orv {
namespace {

std::string Both(const ExportDive& d) {
  const UddfHeader header{"1.0.0", "2024-07-01T08:00:00", "Demo Diver", "demo@orvelle.test"};
  return ExportText(ExportFormat::Csv, {d}, header) + ExportText(ExportFormat::Uddf, {d}, header);
}

TEST(SavedRecordTest, ReadsEveryRecordAsTheReplyReaderDoes) {
  const char* records[] = {
      // as the dive computer's upload leaves it, with a site
      R"({"divelog_id":"q7-1","dive_datetime":1718000000,"timezone":-480,"dive_type":"scuba","dive_duration":2990,
          "max_depth":"31.20","average_depth":"14.05","min_temperature":"24.1","air_temperature":"29.5",
          "altitude":"1013","po2":32,"air_in_text":"205","air_out_text":"60","cylinder_size_text":"12",
          "suit_thickness":"3","weight":"4.0","weather_type":2,"wave_type":1,"current_type":3,"visibility_type":1,
          "water_type":0,"entry_position":{"latitude":22.6551,"longitude":121.4714},
          "exit_position":{"latitude":0,"longitude":0},
          "poi":{"poi_id":"bk0001","poi_name":"綠島 石朗 \"East\" & <Wall>","gps_location":{"latitude":22.6547,"longitude":121.4717}},
          "dive_profiles":[{"profile_time":0,"pressure":"1013.0","temperature":"28.0"},
                           {"profile_time":10,"pressure":"4133.0","temperature":"24.1"}],
          "events":[{"event_time":120,"event_code":18,"event_value":30},{"event_time":900,"event_code":3,"event_value":1}]})",
      // numbers where texts belong and texts where numbers belong
      R"({"divelog_id":7,"dive_datetime":"1718000000","timezone":-480.9,"dive_type":"free","dive_duration":1e12,
          "max_depth":12.5,"po2":"21","weather_type":true,"altitude":"700.5x","water_type":1.0,
          "entry_position":{"latitude":"22.6","longitude":null},
          "dive_profiles":[1,"x",null,{"profile_time":3.9,"pressure":"1200.0","temperature":28}],
          "events":{"event_time":1}})",
      // site ids of every shape
      R"({"dive_datetime":1.5e9,"poi":{"poi_id":12.0,"gps_location":{"latitude":1e300,"longitude":-0.0}}})",
      R"({"dive_datetime":9223372036854775807,"poi":{"poi_id":18446744073709551615}})",
      R"({"dive_datetime":-9.3e18,"poi":{"poi_id":1e19}})",
      R"({"poi":{"poi_id":-3,"poi_name":""}})",
      R"({"poi":{"poi_id":""}})",
      R"({"poi":{"poi_id":[]}})",
      R"({"poi":{"poi_id":{}}})",
      R"({"poi":{"poi_id":[0]}})",
      R"({"poi":{"poi_id":null}})",
      R"({"poi":{"poi_id":12.5}})",
      R"({"poi":[{"poi_id":"x"}]})",
      // a name given twice: the last one counts
      R"({"dive_type":"free","dive_type":"gauge","max_depth":"1","max_depth":"9.5","divelog_id":"a\u00e9\"b"})",
      R"({})",
  };
  for (const char* text : records) {
    SCOPED_TRACE(text);
    Json::Value parsed;
    ASSERT_TRUE(ParseOutsideJson(text, parsed, JsonStrictness::Strict));
    const std::optional<ExportDive> read = ReadExportDive(text);
    ASSERT_TRUE(read);
    EXPECT_EQ(Both(*read), Both(MakeExportDive(parsed)));
  }
}

TEST(SavedRecordTest, LeavesWhatItCannotReadWholeToTheReplyReader) {
  const std::string deep = std::string(40, '[') + std::string(40, ']');
  const std::string cases[] = {
      R"({"a":1} trailing)",
      R"({"a":1 /* note */})",
      "{\"a\":\"\xff\"}",
      R"({"a":123456789012345678901234567890})",
      "[1,2]",
      "\"text\"",
      "",
      "{\"a\":" + deep + "}",
  };
  for (const std::string& text : cases) EXPECT_FALSE(ReadExportDive(text)) << text;
}

}  // namespace
}  // namespace orv
