// The sign-in page's handler on the real login.htm (headless engine) against
// a real orvelle-cloudsim: the order of checks, what lands in `message`, and
// what is remembered.
#include <gtest/gtest.h>
#include <unistd.h>

#include "account/login_func.h"
#include "app/app_state.h"
#include "app/headless/headless_engine.h"
#include "app/page_folder.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "cloud/service_config.h"
#include "seed.h"
#include "shared_sim_test.h"

namespace orv {
namespace {

class LoginPage : public test::SharedSimTest {
 protected:
  void SetUp() override {
    test::SharedSimTest::SetUp();
    SetSettingsPath(::testing::TempDir() + "/login_page_settings." + std::to_string(::getpid()) + ".ini");
    std::remove((::testing::TempDir() + "/login_page_settings." + std::to_string(::getpid()) + ".ini").c_str());
    LanguageCode = "ENG";
    State() = AppState();
    State().page_folder = MakePageFolder(std::string(ORVELLE_BIN_DIR), "ENG");
  }
  void TearDown() override { SetSettingsPath(""); }

  // Opens the page with a fresh handler, as the dialog does.
  void Open() {
    func = std::make_unique<LoginFunc>([this](int r) { closed = r; }, &store);
    sink = std::make_unique<Sink>(*func);
    ASSERT_TRUE(page.LoadFile(PagePath("login.htm")));
    page.SetEventSink(sink.get());
    func->attach(&page);
  }
  void Type(const std::string& email, const std::string& password) {
    page.FindById("email").SetValue(email);
    page.FindById("pword").SetValue(password);
  }
  std::string Message() { return page.TextOf(page.FindById("message")); }

  struct Sink : EventSink {
    explicit Sink(LoginFunc& f) : func(f) {}
    void OnPageEvent(const ElementRef& e, const PageEvent& ev) override { func.on_event(e, ev); }
    LoginFunc& func;
  };

  HeadlessWindow page;
  MemoryCredentialStore store;
  std::unique_ptr<LoginFunc> func;
  std::unique_ptr<Sink> sink;
  int closed = -1;
};

TEST_F(LoginPage, ChecksRunInOrderAndKeepTheDialogOpen) {
  Open();
  Type("", "");
  page.Click("login");
  EXPECT_EQ(Message(), Tr("ENTER_EMAIL"));
  Type("diver@example.com", "");
  page.Click("login");
  EXPECT_EQ(Message(), Tr("ENTER_PASSWORD"));
  // An e-mail of spaces is not empty: it goes to the service, which refuses it.
  Type("   ", "secret");
  page.Click("login");
  EXPECT_EQ(Message(), Tr("EMAIL_PWD_ERROR"));
  EXPECT_EQ(State().email, "   ");
  EXPECT_EQ(closed, -1);
  EXPECT_FALSE(Message().empty());
  // Nothing is remembered after a failure.
  EXPECT_EQ(RememberedEmail(), "");
}

TEST_F(LoginPage, NoServiceShowsItsKey) {
  Open();
  OverrideService("127.0.0.1:1", "");
  Type(sim::kDemoEmail, sim::kDemoPassword);
  page.Click("login");
  EXPECT_EQ(Message(), Tr("HOST_NOT_CONN"));
  EXPECT_EQ(closed, -1);
}

TEST_F(LoginPage, SuccessRemembersAndPrefillsNextTime) {
  Open();
  Type(sim::kDemoEmail, sim::kDemoPassword);  // holds '&', '=', '+' and '%'
  page.Click("login");
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(State().token.empty());
  EXPECT_EQ(State().display_name, "Demo Diver");

  Open();
  EXPECT_EQ(page.FindById("email").Value(), sim::kDemoEmail);
  EXPECT_EQ(page.FindById("pword").Value(), sim::kDemoPassword);
  page.Click("exit");
  EXPECT_EQ(closed, 0);
}

TEST_F(LoginPage, OverlongRememberedEmailIsNotPrefilled) {
  RememberEmail(std::string(200, 'a') + "@example.com");
  Open();
  EXPECT_EQ(page.FindById("email").Value(), "");
  page.Click("facebook");  // nothing happens until the social sign-in exists
  EXPECT_EQ(closed, -1);
}

}  // namespace
}  // namespace orv
