// Reply classification, endpoint builders and service address parsing.
#include <gtest/gtest.h>

#include "app/app_state.h"
#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "cloud/reply_check.h"
#include "cloud/service_config.h"

namespace orv {
namespace {

TEST(ReplyCheckTest, CodeEdgeCasesInBothChecks) {
  struct Case {
    std::string body, standard, upload;
  };
  const Case cases[] = {
      {"{\"code\":\"0000000\",\"response\":{}}", "", ""},
      {"{\"code\":\"0\"}", "DATA_ERROR", ""},
      {"{\"code\":\"0000001\"}", "DATA_ERROR", "NOT_SUPPOR_DEVICE"},
      {"{}", "HOST_ERROR", ""},
      {"{\"code\":\"\"}", "HOST_ERROR", ""},
      {"", "HOST_NOT_CONN", "HOST_NOT_CONN"},
      {"plain words", "HOST_NOT_CONN", "HOST_ERROR"},
      {"{\"code\":\"0000000\"", "HOST_NOT_CONN", "HOST_ERROR"},  // truncated
      {"{\"code\":\"0000000\"} trailing", "HOST_NOT_CONN", "HOST_ERROR"},
      {"[1,2]", "HOST_ERROR", ""},  // no object, no code
      {"\"0000000\"", "HOST_ERROR", ""},
      {"{\"code\":0}", "DATA_ERROR", ""},  // a number reads as "0"
      {"{\"code\":{\"a\":1}}", "HOST_ERROR", ""},
      {"{\"code\":\"  -0012x\"}", "DATA_ERROR", "NOT_SUPPOR_DEVICE"},
      {"{\"code\":\" +000\"}", "DATA_ERROR", ""},
      {"{\"code\":\"abc\"}", "DATA_ERROR", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    EXPECT_EQ(ReplyCheck(c.body).key(), c.standard);
    EXPECT_EQ(UploadReplyCheck(c.body, true).key(), c.upload);
  }
  EXPECT_EQ(UploadReplyCheck("{\"code\":\"0000000\"}", false).key(), "USB_ERROR");
  EXPECT_EQ(ReplyCheck("{\"code\":\"0000002\"}", CallKind::EmailSignIn).key(), "EMAIL_PWD_ERROR");
  EXPECT_EQ(ReplyCheck("{\"code\":\"0000002\"}", CallKind::DiveLogDetail).key(), "DATA_ERROR");
  EXPECT_EQ(ConnectFailure(CallKind::EmailSignIn).key(), "NO_INTERNET");
  EXPECT_EQ(ConnectFailure(CallKind::DiveLogDetail).key(), "NO_INTERNET");
  EXPECT_EQ(ConnectFailure(CallKind::Standard).key(), "HOST_NOT_CONN");
}

TEST(ReplyCheckTest, HostileBodiesEndWithAKey) {
  std::string deep(100000, '[');
  EXPECT_EQ(ReplyCheck(deep).key(), "HOST_NOT_CONN");
  EXPECT_EQ(ReplyCheck("{\"a\":" + std::string(5000, '[') + "}").key(), "HOST_NOT_CONN");
  // Wrong member types never throw: response of the wrong type reads as null.
  Reply odd = ReplyCheck("{\"code\":\"0000000\",\"response\":[1]}");
  EXPECT_TRUE(odd.ok());
  EXPECT_TRUE(odd.value().isNull());
}

TEST(EndpointTest, PathsBodiesAndEncoding) {
  EXPECT_EQ(CalendarMonthEndpoint(2020, 9).path, "api/v1/divelogs/calendar/month?year_month=202009");
  EXPECT_EQ(CalendarDateEndpoint(2021, 3, 5).path, "api/v1/divelogs/calendar/date?year_month_date=20210305");
  EXPECT_EQ(CalendarMonthEndpoint(312, 1).path, "api/v1/divelogs/calendar/month?year_month=031201");
  EXPECT_EQ(LoginEndpoint("a+b@x.test", "p&w=1% x").body, "email=a%2Bb%40x.test&password=p%26w%3D1%25+x");
  EXPECT_FALSE(LoginEndpoint("e", "p").bearer);
  EXPECT_EQ(SearchDiveSitesEndpoint("Ras & Co").body, "query=Ras+%26+Co&limit=20");
  EXPECT_EQ(SearchDiveSitesEndpoint("Curaçao").body, "query=Cura%C3%A7ao&limit=20");
  EXPECT_EQ(DiveLogEndpoint("../x?y").path, "api/v1/divelogs/divelog/..%2Fx%3Fy");
  EXPECT_EQ(StatisticsEndpoint("u 1").path, "api/v1/users/u%201/statistics");
  Endpoint patch = PatchDiveLogEndpoint("d1", "{}");
  EXPECT_EQ(patch.body_type, BodyType::Json);
  EXPECT_EQ(patch.verb, "PATCH");
  EXPECT_EQ(UploadStepEndpoint("addDivelogs", "Q7", "abc", 1005).path,
            "api/v2/devices/addDivelogs?model=Q7&length=3&firmware_version=1005");
  EXPECT_EQ(UploadStepEndpoint("addDivelog", "Q7", "", 0).path.rfind("api/v1/devices/addDivelog?", 0), 0u);
  EXPECT_EQ(HeaderInfoEndpoint("Q7", 0).path, "api/v1/devices/headerInfo?model=Q7&firmware_version=0");
}

TEST(EndpointTest, FirmwareVersionNumber) {
  EXPECT_EQ(FirmwareVersionNumber("1.005"), 1005);
  EXPECT_EQ(FirmwareVersionNumber("0.000"), 0);
  EXPECT_EQ(FirmwareVersionNumber("2.31"), 231);
  EXPECT_EQ(FirmwareVersionNumber("1.0a5"), 10);
  EXPECT_EQ(FirmwareVersionNumber("x.123"), 0);
  EXPECT_EQ(FirmwareVersionNumber(""), 0);
}

TEST(ServiceConfigTest, OverridesAndBearer) {
  ServiceConfig saved = Service();
  EXPECT_TRUE(OverrideService("127.0.0.1:9443", "/tmp/ca.pem"));
  EXPECT_EQ(ServiceOrigin(), "https://127.0.0.1:9443");
  EXPECT_EQ(FirmwareUpdateInfoUrl(), "https://127.0.0.1:9443/api/v1/devices/firmwareUpdate?model=Q7");
  EXPECT_EQ(DiveSiteUpdateInfoUrl(), "https://127.0.0.1:9443/api/v1/devices/divesites?model=Q7");
  EXPECT_TRUE(OverrideService("[::1]:8000", ""));
  EXPECT_EQ(ServiceOrigin(), "https://[::1]:8000");
  EXPECT_EQ(Service().ca_file, "/tmp/ca.pem");
  EXPECT_TRUE(OverrideService("example.test", ""));
  EXPECT_EQ(Service().port, 8443);
  for (const char* bad : {"host:", "host:0", "host:70000", ":80", "a/b:1", "[::1", "h:1x"}) {
    EXPECT_FALSE(OverrideService(bad, "")) << bad;
    EXPECT_EQ(Service().host, "example.test");
  }
  Service() = saved;

  State().token = "abc";
  EXPECT_EQ(BearerHeader(), "Authorization: Bearer abc\r\n\r\n");
  State().token.clear();
  EXPECT_EQ(BearerHeader(), "Authorization: Bearer \r\n\r\n");
}

}  // namespace
}  // namespace orv
