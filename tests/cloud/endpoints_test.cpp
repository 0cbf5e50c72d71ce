// Every endpoint as it reaches the service (request line, headers, body) and
// the service's answers, over TLS against orvelle-cloudsim.
#include <gtest/gtest.h>
#include <json/reader.h>

#include <algorithm>
#include <cstdlib>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "cloud/json_read.h"
#include "cloud/reply_check.h"
#include "cloud/service_config.h"
#include "shared_sim_test.h"

namespace orv {
namespace {

class EndpointsTest : public test::SharedSimTest {
 protected:
  void SetUp() override {
    server_->Use();
    ASSERT_EQ(SignInWithEmail("demo@orvelle.test", "coral+reef&dive=100%").key(), "");
  }

  static Reply Call(const Endpoint& e, CallKind kind = CallKind::Standard) {
    HttpPost http;
    EXPECT_TRUE(http.Connect());
    return ReplyCheck(Send(http, e), kind);
  }
  // What the service saw of the last request.
  static Json::Value Last() {
    HttpPost http;
    http.Connect();
    Json::Value v;
    EXPECT_TRUE(ParseReply(http.Request("GET", "_sim/last", "", "", BodyType::Form).body, v));
    return v;
  }
  static bool HasHeader(const Json::Value& last, const std::string& line) {
    for (const auto& h : last["headers"])
      if (h.asString() == line) return true;
    return false;
  }
};

TEST_F(EndpointsTest, EveryEndpointSendsItsRequestLineHeadersAndBody) {
  struct Case {
    Endpoint endpoint;
    std::string target;
  };
  const Case cases[] = {
      {LoginEndpoint("a b@x.test", "p&q=r%+"), "/api/v1/users/login"},
      {SocialLoginEndpoint("e@x", "12", "tok", "2030-01-01"), "/api/v1/users/socialLogin"},
      {CalendarMonthEndpoint(2020, 9), "/api/v1/divelogs/calendar/month?year_month=202009"},
      {CalendarDateEndpoint(2021, 3, 5), "/api/v1/divelogs/calendar/date?year_month_date=20210305"},
      {DiveLogEndpoint("d/1 2"), "/api/v1/divelogs/divelog/d%2F1%202"},
      // A dive that does not exist: the request is what is checked here, and
      // a stored dive must not be overwritten for the tests after this one.
      {PatchDiveLogEndpoint("d999999", "{\"a\":1}"), "/api/v1/divelogs/d999999"},
      {StatisticsEndpoint("u100001"), "/api/v1/users/u100001/statistics"},
      {SearchDiveSitesEndpoint("a&limit=1"), "/api/v1/searches/divesites"},
      {HeaderInfoEndpoint("Q7", 1005), "/api/v1/devices/headerInfo?model=Q7&firmware_version=1005"},
      {UploadStepEndpoint("addDivelogs", "Q7", std::string("\x01\x00\x02", 3), 1005),
       "/api/v2/devices/addDivelogs?model=Q7&length=3&firmware_version=1005"},
      {UploadStepEndpoint("AddDivelogs", "Q7", "xy", 0),
       "/api/v1/devices/AddDivelogs?model=Q7&length=2&firmware_version=0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    HttpPost http;
    http.Connect();
    Send(http, c.endpoint);
    Json::Value last = Last();
    EXPECT_EQ(last["method"].asString(), c.endpoint.verb);
    EXPECT_EQ(last["target"].asString(), c.target);
    EXPECT_EQ(last["body"].asString(), c.endpoint.body);
    EXPECT_TRUE(HasHeader(last, "User-Agent: InetURL/1.0"));
    EXPECT_TRUE(HasHeader(last, "accept: application/json"));
    EXPECT_TRUE(HasHeader(last, c.endpoint.body_type == BodyType::Json
                                    ? "Content-Type: application/json"
                                    : "Content-Type: application/x-www-form-urlencoded"));
    EXPECT_EQ(HasHeader(last, "Authorization: Bearer " + State().token), c.endpoint.bearer);
  }
}

TEST_F(EndpointsTest, MissingOrWrongTokenIsRefused) {
  EXPECT_TRUE(Call(CalendarMonthEndpoint(2024, 6)).ok());
  std::string token = State().token;
  for (const char* bad : {"", "not-a-token"}) {
    State().token = bad;
    EXPECT_EQ(Call(CalendarMonthEndpoint(2024, 6)).key(), "DATA_ERROR");
    EXPECT_EQ(Call(SearchDiveSitesEndpoint("Blue")).key(), "DATA_ERROR");
  }
  State().token = token;
  EXPECT_EQ(Call(StatisticsEndpoint("someone-else")).key(), "DATA_ERROR");
}

TEST_F(EndpointsTest, CalendarDayListAndDetailAgree) {
  Reply month = Call(CalendarMonthEndpoint(2024, 6));
  ASSERT_TRUE(month.ok());
  const Json::Value& summary = JsonMember(month.value(), "month_summary");
  ASSERT_TRUE(summary.isArray());
  ASSERT_FALSE(summary.empty());
  for (const Json::Value& day : summary) {
    std::string date = JsonText(day, "year_month_date");
    ASSERT_EQ(date.size(), 8u);
    int y = std::atoi(date.substr(0, 4).c_str()), m = std::atoi(date.substr(4, 2).c_str()),
        d = std::atoi(date.substr(6).c_str());
    Reply list = Call(CalendarDateEndpoint(y, m, d));
    ASSERT_TRUE(list.ok());
    const Json::Value& logs = JsonMember(list.value(), "divelogs");
    EXPECT_EQ(static_cast<int>(logs.size()), JsonInt(day, "scuba_count") + JsonInt(day, "free_count"));
    for (const Json::Value& item : logs) {
      Reply detail = Call(DiveLogEndpoint(JsonText(item, "divelog_id")), CallKind::DiveLogDetail);
      ASSERT_TRUE(detail.ok());
      const Json::Value& log = JsonMember(detail.value(), "divelog");
      EXPECT_EQ(JsonText(log, "max_depth"), JsonText(item, "max_depth"));
      EXPECT_EQ(JsonInt(log, "dive_duration"), JsonInt(item, "dive_duration"));
      EXPECT_GT(JsonMember(log, "dive_profiles").size(), 10u);
    }
  }
  EXPECT_EQ(Call(DiveLogEndpoint("no-such-dive"), CallKind::DiveLogDetail).key(), "DATA_ERROR");
  EXPECT_EQ(Call(CalendarMonthEndpoint(2024, 13)).key(), "DATA_ERROR");
}

TEST_F(EndpointsTest, PatchStoresTheWholeObjectAndStatisticsFollow) {
  Reply before = Call(StatisticsEndpoint(State().user_id));
  ASSERT_TRUE(before.ok());
  Reply detail = Call(DiveLogEndpoint("d000001"), CallKind::DiveLogDetail);
  ASSERT_TRUE(detail.ok());
  Json::Value log = JsonMember(detail.value(), "divelog");
  ASSERT_EQ(JsonText(log, "dive_type"), "scuba");
  log["weight"] = "7.500000";
  log["max_depth"] = "99.50";
  log["extra_member"] = "kept";
  HttpPost http;
  http.Connect();
  EXPECT_TRUE(ReplyCheck(Send(http, PatchDiveLogEndpoint("d000001", log.toStyledString()))).ok());

  Json::Value stored = JsonMember(Call(DiveLogEndpoint("d000001")).value(), "divelog");
  EXPECT_EQ(stored, log);
  Reply after = Call(StatisticsEndpoint(State().user_id));
  EXPECT_EQ(JsonText(after.value(), "scuba_max_depth"), "99.50");
  EXPECT_EQ(JsonInt(after.value(), "scuba_mode_count"), JsonInt(before.value(), "scuba_mode_count"));
  EXPECT_EQ(ReplyCheck(Send(http, PatchDiveLogEndpoint("d000001", "not json"))).key(), "DATA_ERROR");
}

TEST_F(EndpointsTest, SearchTextReachesTheServiceUnchanged) {
  Reply blue = Call(SearchDiveSitesEndpoint("Blue Hole"));
  ASSERT_TRUE(blue.ok());
  const Json::Value& pois = JsonMember(blue.value(), "pois");
  ASSERT_GE(pois.size(), 3u);
  for (const Json::Value& poi : pois) {
    EXPECT_NE(JsonText(poi, "poi_name").find("Blue Hole"), std::string::npos);
    EXPECT_NE(JsonNumber(JsonMember(poi, "gps_location"), "latitude"), 0.0);
  }
  // Were the text sent raw, "&limit=1" would cut the answer to one site.
  EXPECT_EQ(JsonMember(Call(SearchDiveSitesEndpoint("Blue&limit=1")).value(), "pois").size(), 0u);
  EXPECT_EQ(JsonMember(Call(SearchDiveSitesEndpoint("a")).value(), "pois").size(), 20u);
  EXPECT_EQ(JsonMember(Call(SearchDiveSitesEndpoint("Curaçao")).value(), "pois").size(), 1u);
}

}  // namespace
}  // namespace orv
