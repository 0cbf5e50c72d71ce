// The platform's addresses and profiles as the social sign-in reads them.
#include <gtest/gtest.h>

#include "account/social_sign_in.h"

namespace orv {
namespace {

class SocialAddress : public ::testing::Test {
 protected:
  void SetUp() override {
    Platform() = {"https://www.platform.test", "https://graph.platform.test", "4711"};
    NavigationCount = 0;
  }
  static std::string Success(const std::string& rest) { return SuccessPageUrl() + rest; }
};

TEST_F(SocialAddress, ReadsTokenAndExpiryFromTheSuccessPage) {
  SocialToken t;
  ASSERT_EQ(TokenFromAddress(Success("#access_token=EAAB12&data_access_expiration_time=1700000000&expires_in=5"), t),
            TokenScan::Found);
  EXPECT_EQ(t.access_token, "EAAB12");
  EXPECT_EQ(t.expiry, "1700000000");
  // Last parameter: copied to the end of the address; values are decoded.
  ASSERT_EQ(TokenFromAddress(Success("?state=x#data_access_expiration_time=99&access_token=sim-a%40b.c"), t),
            TokenScan::Found);
  EXPECT_EQ(t.access_token, "sim-a@b.c");
  EXPECT_EQ(t.expiry, "99");
}

TEST_F(SocialAddress, IgnoresTokensOutsideTheSuccessPageOrUnderOtherNames) {
  SocialToken t;
  const std::string params = "#access_token=T&data_access_expiration_time=1";
  EXPECT_EQ(TokenFromAddress("https://www.platform.test/v6.0/dialog/oauth" + params, t), TokenScan::Absent);
  EXPECT_EQ(TokenFromAddress("https://www.platform.test.evil/connect/login_success.html" + params, t),
            TokenScan::Absent);
  EXPECT_EQ(TokenFromAddress("http://www.platform.test/connect/login_success.html" + params, t), TokenScan::Absent);
  EXPECT_EQ(TokenFromAddress(Success(".bak" + params), t), TokenScan::Absent);
  EXPECT_EQ(TokenFromAddress(Success("#xaccess_token=T&data_access_expiration_time=1"), t), TokenScan::Absent);
  EXPECT_EQ(TokenFromAddress(Success("#access_token=T"), t), TokenScan::Absent);
}

TEST_F(SocialAddress, RefusesTokensThatDoNotFitInsteadOfCuttingThem) {
  SocialToken t;
  auto with = [&](const std::string& token, const std::string& expiry) {
    return TokenFromAddress(Success("#access_token=" + token + "&data_access_expiration_time=" + expiry), t);
  };
  EXPECT_EQ(with(std::string(1023, 'a'), "1"), TokenScan::Found);
  EXPECT_EQ(t.access_token.size(), 1023u);
  EXPECT_EQ(with(std::string(1024, 'a'), "1"), TokenScan::Unusable);
  EXPECT_EQ(with("a", std::string(127, '9')), TokenScan::Found);
  EXPECT_EQ(with("a", std::string(128, '9')), TokenScan::Unusable);
  EXPECT_EQ(with("", "1"), TokenScan::Unusable);
  EXPECT_EQ(with("a%0Ab", "1"), TokenScan::Unusable);
  EXPECT_EQ(with("a%00", "1"), TokenScan::Unusable);
}

TEST_F(SocialAddress, SecondPageWithoutTokenShowsThePopupAndErrorsStartAgain) {
  PageStep first = ObserveSocialPage("https://www.platform.test/v6.0/dialog/oauth?client_id=1");
  EXPECT_FALSE(first.show);
  EXPECT_FALSE(first.token);
  PageStep second = ObserveSocialPage("https://www.platform.test/login?next=x");
  EXPECT_TRUE(second.show);
  PageStep error = ObserveSocialPage(Success("?error=access_denied&error_code=200#_=_"));
  EXPECT_TRUE(error.hide);
  EXPECT_FALSE(error.show);
  EXPECT_EQ(NavigationCount, 1);
  EXPECT_TRUE(ObserveSocialPage("https://www.platform.test/login").show);
  // A typed e-mail that merely contains the word is no error report.
  EXPECT_FALSE(ObserveSocialPage("https://www.platform.test/c?email=terror%40x.test").hide);

  PageStep token = ObserveSocialPage(Success("#access_token=T&data_access_expiration_time=1"));
  EXPECT_TRUE(token.hide);
  ASSERT_TRUE(token.token);
  EXPECT_EQ(token.token->access_token, "T");
  PageStep bad = ObserveSocialPage(Success("#access_token=&data_access_expiration_time=1"));
  EXPECT_TRUE(bad.hide);
  EXPECT_FALSE(bad.token);
  EXPECT_EQ(bad.failure.key(), "HOST_ERROR");
}

TEST_F(SocialAddress, PlatformAddressesAndTheDialogQuery) {
  EXPECT_TRUE(IsPlatformAddress("https://www.platform.test/v6.0/dialog/oauth"));
  EXPECT_TRUE(IsPlatformAddress("https://graph.platform.test/me"));
  EXPECT_FALSE(IsPlatformAddress("https://www.platform.test.evil/"));
  EXPECT_FALSE(IsPlatformAddress("https://www.platform.test:444/"));
  EXPECT_FALSE(IsPlatformAddress("http://www.platform.test/"));
  EXPECT_EQ(OAuthDialogUrl(),
            "https://www.platform.test/v6.0/dialog/oauth?client_id=4711&redirect_uri=https%3A%2F%2Fwww.platform.test"
            "%2Fconnect%2Flogin_success.html&scope=email%2Cpublic_profile&response_type=token%2Cgranted_scopes"
            "&state=PCTessaroTool");
  EXPECT_EQ(ProfileUrl("a&b#c"), "https://graph.platform.test/me?fields=email,id,name&access_token=a%26b%23c");
}

TEST(SocialProfile, ReadsMembersAndRefusesWhatIsNotAProfile) {
  SocialProfile p;
  ASSERT_TRUE(ParseSocialProfile(R"({"id":"42","email":"a@b.c","name":"Ann"})", p));
  EXPECT_EQ(p.id, "42");
  EXPECT_EQ(p.email, "a@b.c");
  EXPECT_EQ(p.name, "Ann");
  ASSERT_TRUE(ParseSocialProfile(R"({"id":"42"})", p));
  EXPECT_EQ(p.name, "");
  EXPECT_EQ(p.email, "");
  for (const char* bad : {"", "not json", "[1]", R"({"id":42})", R"({"email":"a@b.c"})",
                          R"({"error":{"code":190},"id":"1"})", R"({"id":"1"} trailing)"})
    EXPECT_FALSE(ParseSocialProfile(bad, p)) << bad;
}

TEST(SocialProfile, BoundsTextsByUtf16Units) {
  SocialProfile p;
  const std::string e127 = std::string(121, 'e') + "@b.com";
  EXPECT_TRUE(ParseSocialProfile(R"({"id":"1","email":")" + e127 + "\"}", p));
  EXPECT_FALSE(ParseSocialProfile(R"({"id":"1","email":"x)" + e127 + "\"}", p));
  EXPECT_FALSE(ParseSocialProfile(R"({"id":")" + std::string(128, '1') + "\"}", p));
  // 126 ASCII then an emoji (two units): cut before the emoji, never inside it.
  ASSERT_TRUE(ParseSocialProfile(R"({"id":"1","name":")" + std::string(126, 'n') + "\xF0\x9F\x90\xA0\"}", p));
  EXPECT_EQ(p.name, std::string(126, 'n'));
  ASSERT_TRUE(ParseSocialProfile(R"({"id":"1","name":")" + std::string(125, 'n') + "\xF0\x9F\x90\xA0z\"}", p));
  EXPECT_EQ(p.name, std::string(125, 'n') + "\xF0\x9F\x90\xA0");
}

}  // namespace
}  // namespace orv
