// The dive log record against a real orvelle-cloudsim over TLS: fetching a
// dive, editing it in metric and imperial units, storing it with PATCH on the
// fetch's connection and reading it back; failing replies that change
// nothing; and dives whose members have the wrong JSON types.
#include <gtest/gtest.h>

#include <chrono>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/headless/headless_engine.h"
#include "app/page_folder.h"
#include "app/string_table.h"
#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "cloud/json_read.h"
#include "cloud/reply_check.h"
#include "divelog/dive_log.h"
#include "seed.h"
#include "shared_sim_test.h"
#include "values/units.h"

namespace orv {
namespace {

class DiveLogCloud : public test::SharedSimTest {
 protected:
  void SetUp() override {
    server_->Use();
    for (const char* ep : {"divelog", "patch_divelog"}) server_->SetFault(ep, "none");
    LanguageCode = "ENG";
    State().unit = 0;
    ASSERT_EQ(SignInWithEmail(sim::kDemoEmail, sim::kDemoPassword).key(), "");
    ASSERT_TRUE(win.LoadFile(std::string(ORVELLE_BIN_DIR) + "/ENG/main.htm"));
  }
  void TearDown() override { State().unit = 0; }

  // A checked request on its own connection.
  static Json::Value Response(const Endpoint& endpoint) {
    HttpPost http;
    EXPECT_TRUE(http.Connect());
    Reply reply = ReplyCheck(Send(http, endpoint));
    EXPECT_TRUE(reply.ok()) << reply.key();
    return reply.value();
  }

  // The id of the first seeded dive of the wanted type in June 2024.
  static std::string DiveId(const std::string& type) {
    const Json::Value days = JsonMember(Response(CalendarMonthEndpoint(2024, 6)), "month_summary");
    for (const Json::Value& day : days) {
      const std::string date = JsonText(day, "year_month_date");
      if (date.size() != 8) continue;
      const Json::Value logs =
          JsonMember(Response(CalendarDateEndpoint(2024, 6, std::stoi(date.substr(6)))), "divelogs");
      for (const Json::Value& log : logs)
        if (JsonText(log, "dive_type") == type) return JsonText(log, "divelog_id");
    }
    return {};
  }

  Result<DiveLog> Fetch(HttpPost& http, const std::string& id) { return FetchDiveLog(http, id, &win); }
  Result<DiveLog> FetchFresh(const std::string& id) {
    HttpPost http;
    return Fetch(http, id);
  }
  std::string Message() { return win.TextOf(win.FindById("message")); }

  HeadlessWindow win;
};

TEST_F(DiveLogCloud, MetricEditAndNewSiteRoundTrip) {
  const std::string id = DiveId("scuba");
  ASSERT_FALSE(id.empty());
  HttpPost http;  // the operation's one connection
  Result<DiveLog> log = Fetch(http, id);
  ASSERT_TRUE(log);
  const DiveLog sent = *log;
  EXPECT_EQ(JsonText(*log, "divelog_id"), id);

  const Json::Value pois = JsonMember(Response(SearchDiveSitesEndpoint("Ke")), "pois");
  ASSERT_TRUE(pois.isArray() && !pois.empty());
  const Json::Value& site = pois[0];

  LogEditRecord r = FillEditRecord(*log);
  r.start_pressure = 210;
  r.end_pressure = 45;
  r.cylinder_volume = 15;
  r.weight = 6.5;
  r.suit_thickness = 5;
  r.weather = 3;
  r.visibility = 1;
  r.site_id = JsonText(site, "poi_id");
  r.site_latitude = JsonNumber(JsonMember(site, "gps_location"), "latitude");
  r.site_longitude = JsonNumber(JsonMember(site, "gps_location"), "longitude");
  MergeEditRecord(r, *log);
  EXPECT_EQ(StoreDiveLog(http, *log, &win).key(), "");
  EXPECT_EQ(Message(), "");

  Result<DiveLog> back = FetchFresh(id);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, *log);  // the service holds exactly what was sent
  EXPECT_EQ((*back)["air_in_text"], "210.000000");
  EXPECT_EQ((*back)["cylinder_size_text"], "15");
  EXPECT_EQ((*back)["weight"], "6.500000");
  EXPECT_EQ((*back)["poi"]["poi_id"], r.site_id);
  EXPECT_EQ((*back)["dive_profiles"], sent["dive_profiles"]);
  EXPECT_EQ((*back)["events"], sent["events"]);
  EXPECT_EQ((*back)["entry_position"], sent["entry_position"]);
  const LogEditRecord again = FillEditRecord(*back);
  EXPECT_EQ(again.site_id, r.site_id);
  EXPECT_DOUBLE_EQ(again.site_latitude, r.site_latitude);
  EXPECT_EQ(again.weather, 3);
}

TEST_F(DiveLogCloud, ImperialEditIsStoredInMetric) {
  const std::string id = DiveId("gauge").empty() ? DiveId("scuba") : DiveId("gauge");
  ASSERT_FALSE(id.empty());
  State().unit = 1;
  HttpPost http;
  Result<DiveLog> log = Fetch(http, id);
  ASSERT_TRUE(log);
  LogEditRecord r = FillEditRecord(*log);
  // What the diver typed into the dialog, read back the dialog's way.
  r.start_pressure = PsiToBar(2901);
  r.end_pressure = PsiToBar(725);
  r.weight = PoundsToKilograms(16.5);
  MergeEditRecord(r, *log);
  ASSERT_EQ(StoreDiveLog(http, *log).key(), "");

  Result<DiveLog> back = FetchFresh(id);
  ASSERT_TRUE(back);
  EXPECT_EQ((*back)["air_in_text"], "200.016909");
  EXPECT_EQ((*back)["weight"], "7.484274");
  // Shown again in imperial, the diver sees what was typed.
  const LogEditRecord shown = FillEditRecord(*back);
  EXPECT_EQ(DisplayUnits::Pressure(shown.start_pressure), "2901");
  EXPECT_EQ(DisplayUnits::Pressure(shown.end_pressure), "725");
  EXPECT_EQ(DisplayUnits::Weight(shown.weight), "16.5");
  State().unit = 0;
  EXPECT_EQ(DisplayUnits::Weight(shown.weight), "7.5");
}

TEST_F(DiveLogCloud, FailingRepliesChangeNothing) {
  const std::string id = DiveId("free");
  ASSERT_FALSE(id.empty());
  const Result<DiveLog> before = FetchFresh(id);
  ASSERT_TRUE(before);

  struct Case {
    const char* mode;
    const char* key;
  };
  for (const Case& c : {Case{"badcode", "DATA_ERROR"}, Case{"nocode", "HOST_ERROR"}, Case{"html500", "HOST_NOT_CONN"},
                        Case{"empty", "HOST_NOT_CONN"}, Case{"text", "HOST_NOT_CONN"}}) {
    ASSERT_TRUE(server_->SetFault("divelog", c.mode));
    win.FindById("message").SetText("");
    HttpPost http;
    EXPECT_EQ(Fetch(http, id).key(), c.key) << c.mode;
    EXPECT_EQ(Message(), Tr(c.key)) << c.mode;
  }
  ASSERT_TRUE(server_->SetFault("divelog", "none"));
  HttpPost unknown;
  EXPECT_EQ(Fetch(unknown, "no-such-dive").key(), "DATA_ERROR");

  // A stalled reply ends in bounded time, as a reply that never came.
  ASSERT_TRUE(server_->SetFault("divelog", "stall"));
  const auto start = std::chrono::steady_clock::now();
  HttpPost stalled;
  EXPECT_EQ(Fetch(stalled, id).key(), "HOST_NOT_CONN");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
  ASSERT_TRUE(server_->SetFault("divelog", "none"));

  // A refused PATCH is reported and leaves the stored dive as it was.
  HttpPost http;
  Result<DiveLog> log = Fetch(http, id);
  ASSERT_TRUE(log);
  LogEditRecord r = FillEditRecord(*log);
  r.weight = 9.0;
  r.weather = 1;
  MergeEditRecord(r, *log);
  ASSERT_TRUE(server_->SetFault("patch_divelog", "badcode"));
  win.FindById("message").SetText("");
  EXPECT_EQ(StoreDiveLog(http, *log, &win).key(), "DATA_ERROR");
  EXPECT_EQ(Message(), Tr("DATA_ERROR"));
  ASSERT_TRUE(server_->SetFault("patch_divelog", "none"));
  EXPECT_EQ(FetchFresh(id).value_or(DiveLog()), *before);
}

TEST_F(DiveLogCloud, MalformedMembersAreReadSafelyAndOnlyEditedOnesRewritten) {
  const std::string id = DiveId("scuba");
  ASSERT_FALSE(id.empty());
  {
    // Put a dive with wrong member types in place, as a faulty service might.
    HttpPost http;
    ASSERT_TRUE(http.Connect());
    const std::string raw = R"({"divelog_id": ")" + id + R"(", "dive_type": ["scuba"], "air_in_text": 200,
        "air_out_text": null, "cylinder_size_text": "12 L", "weather_type": "2", "wave_type": 2.0,
        "suit_thickness": {"mm": 5}, "weight": true, "entry_position": "somewhere",
        "exit_position": [1, 2], "poi": {"poi_id": {}, "gps_location": "x"}, "dive_profiles": 3})";
    ASSERT_TRUE(ReplyCheck(Send(http, PatchDiveLogEndpoint(id, raw))).ok());
  }
  HttpPost http;
  Result<DiveLog> log = Fetch(http, id);
  ASSERT_TRUE(log);
  const DiveLog sent = *log;
  LogEditRecord r = FillEditRecord(*log);
  EXPECT_EQ(*log, sent);  // reading planted nothing
  EXPECT_EQ(r.dive_type, DiveType::Scuba);
  EXPECT_EQ(r.start_pressure, 0.0);
  EXPECT_EQ(r.cylinder_volume, 12);
  EXPECT_EQ(r.weather, 0);
  EXPECT_EQ(r.wave, 2);
  EXPECT_EQ(r.suit_thickness, 0.0);
  EXPECT_EQ(r.weight, 0.0);
  EXPECT_EQ(r.entry_latitude, 0.0);
  EXPECT_EQ(r.site_id, "");
  // The diver sets weight and suit; what they left alone goes back as sent.
  r.weight = 2;
  r.suit_thickness = 5;
  MergeEditRecord(r, *log);
  ASSERT_EQ(StoreDiveLog(http, *log).key(), "");

  Result<DiveLog> back = FetchFresh(id);
  ASSERT_TRUE(back);
  EXPECT_EQ((*back)["weight"], "2.000000");
  EXPECT_EQ((*back)["suit_thickness"], "5");
  EXPECT_EQ((*back)["poi"], sent["poi"]);
  EXPECT_EQ((*back)["air_in_text"], 200);
  EXPECT_EQ((*back)["weather_type"], "2");
  EXPECT_EQ((*back)["entry_position"], "somewhere");  // never written
  EXPECT_EQ((*back)["dive_profiles"], 3);
}

}  // namespace
}  // namespace orv
