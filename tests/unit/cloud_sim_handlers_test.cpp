// orvelle-cloudsim's handlers, called without a socket.
#include <gtest/gtest.h>
#include <json/reader.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "seed.h"
#include "service.h"

namespace orv::sim {
namespace {

class HandlersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orvelle-sim-unit-XXXXXX";
    ASSERT_TRUE(mkdtemp(tmpl));
    dir_ = tmpl;
    ASSERT_TRUE(db_.Open(dir_ + "/sim.db"));
    ASSERT_TRUE(db_.Empty());
    ASSERT_TRUE(SeedDatabase(db_, 2024, 6));
    service_ = std::make_unique<Service>(db_);
    service_->origin = "https://127.0.0.1:1";
  }
  void TearDown() override {
    service_.reset();
    std::filesystem::remove_all(dir_);
  }

  SimReply Call(const std::string& method, const std::string& target, const std::string& body = "", bool auth = true) {
    SimRequest r;
    r.method = method;
    r.target = target;
    r.body = body;
    r.headers.emplace_back("content-type", "application/x-www-form-urlencoded");
    if (auth && !token_.empty()) r.headers.emplace_back("Authorization", "Bearer " + token_);
    return service_->Dispatch(r);
  }
  Json::Value Json(const SimReply& reply) {
    Json::Value v;
    Json::Reader().parse(reply.body, v);
    return v;
  }
  void SignIn() {
    Json::Value v =
        Json(Call("POST", "/api/v1/users/login", "email=demo%40orvelle.test&password=coral%2Breef%26dive%3D100%25"));
    ASSERT_EQ(v["code"].asString(), kCodeOk);
    token_ = v["response"]["token"].asString();
  }

  std::string dir_;
  SimDb db_;
  std::unique_ptr<Service> service_;
  std::string token_;
};

TEST_F(HandlersTest, LoginDecodesTheFormAndRefusesWrongPasswords) {
  SignIn();
  EXPECT_EQ(token_.size(), 48u);
  // "+" in a form value is a space, so the unescaped password does not match.
  EXPECT_EQ(Json(Call("POST", "/api/v1/users/login", "email=demo@orvelle.test&password=coral+reef&dive=100%"))["code"],
            kCodeBadLogin);
  EXPECT_EQ(Json(Call("POST", "/api/v1/users/login", ""))["code"], kCodeBadLogin);
  EXPECT_EQ(ParseForm("a=1%2&b=%zz&c=x+y&a=2&d"),
            (std::map<std::string, std::string>{{"a", "1%2"}, {"b", "%zz"}, {"c", "x y"}, {"d", ""}}));
}

TEST_F(HandlersTest, SeededLogbookAndComputedStatistics) {
  SignIn();
  auto logs = db_.AllLogs(kDemoUserId);
  ASSERT_GE(logs.size(), 60u);
  std::set<int> months;
  std::map<std::string, int> types;
  for (const StoredLog& log : logs) {
    months.insert(LocalDate(log.dive_datetime, log.timezone) / 100);
    types[log.dive_type]++;
  }
  EXPECT_GE(months.size(), 6u);
  EXPECT_EQ(*months.rbegin(), 202406);
  EXPECT_GT(types["scuba"], 0);
  EXPECT_GT(types["free"], 0);
  EXPECT_GT(types["gauge"], 0);

  Json::Value stats = Json(Call("GET", "/api/v1/users/u100001/statistics"))["response"];
  EXPECT_EQ(stats["scuba_mode_count"].asInt(), types["scuba"]);
  EXPECT_EQ(stats["freedive_mode_count"].asInt(), types["free"]);
  EXPECT_GT(std::stod(stats["scuba_max_depth"].asString()), std::stod(stats["free_max_depth"].asString()) - 30);

  int month_total = 0;
  Json::Value month = Json(Call("GET", "/api/v1/divelogs/calendar/month?year_month=202406"));
  for (const auto& day : month["response"]["month_summary"])
    month_total += day["scuba_count"].asInt() + day["free_count"].asInt();
  EXPECT_EQ(month_total, static_cast<int>(db_.LogsBetween(kDemoUserId, 20240601, 20240631).size()));
  EXPECT_GT(month_total, 0);
}

TEST_F(HandlersTest, TokensAreCheckedOnEveryDiveEndpoint) {
  for (const char* target :
       {"/api/v1/divelogs/calendar/month?year_month=202406", "/api/v1/divelogs/calendar/date?year_month_date=20240601",
        "/api/v1/divelogs/divelog/d000001", "/api/v1/users/u100001/statistics"})
    EXPECT_EQ(Json(Call("GET", target, "", false))["code"], kCodeNoToken) << target;
  token_ = "forged";
  EXPECT_EQ(Json(Call("POST", "/api/v1/searches/divesites", "query=Blue"))["code"], kCodeNoToken);
}

TEST_F(HandlersTest, PatchKeepsIdAndRejectsOthers) {
  SignIn();
  EXPECT_EQ(Json(Call("PATCH", "/api/v1/divelogs/d000001", "{\"divelog_id\":\"d000002\"}"))["code"], kCodeBadRequest);
  EXPECT_EQ(Json(Call("PATCH", "/api/v1/divelogs/d999999", "{}"))["code"], kCodeNotFound);
  EXPECT_EQ(Json(Call("PATCH", "/api/v1/divelogs/d000001", "[]"))["code"], kCodeBadRequest);
  EXPECT_EQ(Json(Call("PATCH", "/api/v1/divelogs/d000001",
                      "{\"dive_type\":\"free\",\"dive_datetime\":1717200000,\"timezone\":-480}"))["code"],
            kCodeOk);
  Json::Value log = Json(Call("GET", "/api/v1/divelogs/divelog/d000001"))["response"]["divelog"];
  EXPECT_EQ(log["dive_type"], "free");
  EXPECT_EQ(log["divelog_id"], "d000001");
}

TEST_F(HandlersTest, SearchMatchesLiterallyAndFaultsApply) {
  SignIn();
  EXPECT_EQ(Json(Call("POST", "/api/v1/searches/divesites", "query=%25&limit=20"))["response"]["pois"].size(), 0u);
  EXPECT_EQ(Json(Call("POST", "/api/v1/searches/divesites", "query=chuuk"))["response"]["pois"].size(), 3u);
  EXPECT_EQ(Json(Call("POST", "/api/v1/searches/divesites", "query=e&limit=500"))["response"]["pois"].size(), 100u);

  service_->SetFault("search", Fault::Html500);
  SimReply html = Call("POST", "/api/v1/searches/divesites", "query=chuuk");
  EXPECT_EQ(html.status, 500);
  service_->SetFault("*", Fault::Stall);
  EXPECT_TRUE(Call("GET", "/api/v1/users/u100001/statistics").stall);
  service_->SetFault("*", Fault::None);
  service_->SetFault("search", Fault::None);
  EXPECT_EQ(Json(Call("GET", "/api/v1/nothing/here"))["code"], kCodeNotFound);
}

}  // namespace
}  // namespace orv::sim
