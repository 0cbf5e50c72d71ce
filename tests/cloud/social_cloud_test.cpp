// The social sign-in's requests against a real orvelle-cloudsim over TLS:
// the platform's pages hand out a token, the profile is fetched and the
// service exchanges it for a session.
#include <gtest/gtest.h>
#include <json/json.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "account/social_sign_in.h"
#include "app/app_state.h"
#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "seed.h"
#include "shared_sim_test.h"

namespace orv {
namespace {

class SocialCloud : public test::SharedSimTest {
 protected:
  static void SetUpTestSuite() {
    test::SharedSimTest::SetUpTestSuite();
    // DataFolder() follows HOME when no documents folder is configured;
    // GLib reads both once, so they are set before anything asks.
    home_ = ::testing::TempDir() + "/social_home." + std::to_string(::getpid());
    std::filesystem::create_directories(home_);
    setenv("HOME", home_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home_ + "/config").c_str(), 1);
  }
  void SetUp() override {
    test::SharedSimTest::SetUp();
    UseLocalSocialPlatform(server_->origin());
    State() = AppState{};
  }
  void TearDown() override {
    for (const char* name : {"social_me", "social_login"}) server_->SetFault(name, "none");
    EXPECT_FALSE(std::filesystem::exists(DataFolder() + "me.json")) << "profile left behind";
  }
  static std::string Fetch(const std::string& url) {
    const std::string path = home_ + "/fetched";
    if (!DownloadToFile(url, path, {HttpPost::kMaxReplyBytes}).complete()) return {};
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // The address a simulated-platform page moves on to.
  static std::string NextAddress(const std::string& page) {
    auto at = page.find("location.replace(");
    if (at == std::string::npos) return {};
    Json::Value v;
    Json::Reader().parse(page.substr(at + 17, page.find(')', at) - at - 17), v);
    std::string next = v.asString();
    return next.front() == '/' ? server_->origin() + next : next;
  }
  static SocialToken DemoToken() { return {std::string("sim-") + sim::kDemoEmail, "1900000000"}; }
  static inline std::string home_;
};

TEST_F(SocialCloud, PlatformPagesLeadToATokenThatSignsIn) {
  std::string login = NextAddress(Fetch(OAuthDialogUrl()));
  ASSERT_NE(login.find("/social/login?"), std::string::npos) << login;
  EXPECT_FALSE(ObserveSocialPage(OAuthDialogUrl()).show);
  EXPECT_TRUE(ObserveSocialPage(login).show);
  std::string page = Fetch(login);
  EXPECT_NE(page.find("id=\"email\""), std::string::npos);
  EXPECT_NE(page.find("id=\"continue\""), std::string::npos);

  std::string success = NextAddress(Fetch(server_->origin() +
                                          "/social/consent?email=demo%40orvelle.test"
                                          "&redirect_uri=" +
                                          FormEncode(SuccessPageUrl()) + "&state=PCTessaroTool"));
  PageStep step = ObserveSocialPage(success);
  ASSERT_TRUE(step.token) << success;
  EXPECT_EQ(CompleteSocialSignIn(*step.token).key(), "");
  EXPECT_EQ(State().email, sim::kDemoEmail);
  EXPECT_EQ(State().user_id, sim::kDemoUserId);
  EXPECT_FALSE(State().token.empty());
  EXPECT_FALSE(State().display_name.empty());

  // What the service was sent, as a form.
  Json::Value last;
  Json::Reader().parse(Fetch(server_->origin() + "/_sim/last"), last);
  const std::string body = last["body"].asString();
  EXPECT_NE(body.find("social_platform=facebook"), std::string::npos) << body;
  EXPECT_NE(body.find(std::string("social_id=fb-") + sim::kDemoUserId), std::string::npos) << body;
  EXPECT_NE(body.find("expire_datetime=" + step.token->expiry), std::string::npos) << body;
}

TEST_F(SocialCloud, CancelOnThePlatformReportsAnError) {
  std::string back =
      NextAddress(Fetch(server_->origin() + "/social/consent?cancel=1&redirect_uri=" + FormEncode(SuccessPageUrl())));
  NavigationCount = 1;
  PageStep step = ObserveSocialPage(back);
  EXPECT_TRUE(step.hide);
  EXPECT_FALSE(step.show);
  EXPECT_FALSE(step.token);
}

TEST_F(SocialCloud, UnusableProfilesEndWithHostErrorAndNoSession) {
  EXPECT_EQ(CompleteSocialSignIn({"sim-nobody@orvelle.test", "1"}).key(), "HOST_ERROR");  // platform's error object
  for (const char* mode : {"text", "html500", "empty"}) {
    server_->SetFault("social_me", mode);
    EXPECT_EQ(CompleteSocialSignIn(DemoToken()).key(), "HOST_ERROR") << mode;
  }
  EXPECT_TRUE(State().token.empty());
  EXPECT_TRUE(State().email.empty());
}

TEST_F(SocialCloud, ServiceRepliesGiveTheirKeys) {
  const std::pair<const char*, const char*> cases[] = {
      {"badcode", "DATA_ERROR"}, {"nocode", "HOST_ERROR"}, {"text", "HOST_NOT_CONN"}, {"empty", "HOST_NOT_CONN"}};
  for (const auto& [mode, key] : cases) {
    server_->SetFault("social_login", mode);
    EXPECT_EQ(CompleteSocialSignIn(DemoToken()).key(), key) << mode;
    EXPECT_TRUE(State().token.empty()) << mode;
  }
}

TEST_F(SocialCloud, UnreachablePlatformIsReportedAndLeavesNoFile) {
  Platform().graph_origin = "https://127.0.0.1:1";
  EXPECT_EQ(CompleteSocialSignIn(DemoToken()).key(), "HOST_NOT_CONN");
  EXPECT_TRUE(State().token.empty());
}

}  // namespace
}  // namespace orv
