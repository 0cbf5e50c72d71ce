// The e-mail sign-in and orvelle-cli's service commands against
// orvelle-cloudsim over TLS.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "cloud/service_config.h"
#include "shared_sim_test.h"

namespace orv {
namespace {

constexpr char kPassword[] = "coral+reef&dive=100%";

class SessionTest : public test::SharedSimTest {
 protected:
  void SetUp() override {
    server_->Use();
    State() = AppState{};
  }

  struct Run {
    int status;
    std::string out, err;
  };
  // Runs orvelle-cli against the simulator with a private settings folder.
  static Run Cli(const std::string& args) {
    std::string err_file = server_->dir() + "/cli.err";
    std::string cmd = "XDG_CONFIG_HOME='" + server_->dir() + "/config' ORVELLE_SERVICE= ORVELLE_CA_FILE= '" +
                      std::string(ORVELLE_BIN_DIR) +
                      "/orvelle-cli' --service 127.0.0.1:" + std::to_string(server_->port()) + " --ca-file '" +
                      server_->ca_file() + "' --lang ENG " + args + " 2>'" + err_file + "'";
    Run run{-1, "", ""};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return run;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) run.out.append(buf.data(), n);
    int status = pclose(p);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (FILE* e = fopen(err_file.c_str(), "r")) {
      while ((n = fread(buf.data(), 1, buf.size(), e)) > 0) run.err.append(buf.data(), n);
      fclose(e);
    }
    return run;
  }
};

TEST_F(SessionTest, SignInFillsTheAccountFields) {
  ASSERT_EQ(SignInWithEmail("demo@orvelle.test", kPassword).key(), "");
  EXPECT_EQ(State().user_id, "u100001");
  EXPECT_EQ(State().display_name, "Demo Diver");
  EXPECT_EQ(State().token.size(), 48u);
  EXPECT_EQ(State().profile_image, server_->origin() + "/static/avatar.svg");
}

TEST_F(SessionTest, FailedSignInKeepsTheTypedTextsAndNamesTheKey) {
  EXPECT_EQ(SignInWithEmail("demo@orvelle.test", "coral reef&dive=100%").key(), "EMAIL_PWD_ERROR");
  EXPECT_EQ(State().password, "coral reef&dive=100%");
  EXPECT_TRUE(State().token.empty());
  EXPECT_EQ(SignInWithEmail("", kPassword).key(), "ENTER_EMAIL");
  EXPECT_EQ(SignInWithEmail("   ", "").key(), "ENTER_PASSWORD");
  EXPECT_EQ(State().email, "   ");
  EXPECT_EQ(SignInWithEmail("   ", kPassword).key(), "EMAIL_PWD_ERROR");

  ASSERT_TRUE(server_->SetFault("login", "nocode"));
  EXPECT_EQ(SignInWithEmail("demo@orvelle.test", kPassword).key(), "HOST_ERROR");
  ASSERT_TRUE(server_->SetFault("login", "html500"));
  EXPECT_EQ(SignInWithEmail("demo@orvelle.test", kPassword).key(), "HOST_NOT_CONN");
  server_->SetFault("login", "none");
  Service().port = 1;
  EXPECT_EQ(SignInWithEmail("demo@orvelle.test", kPassword).key(), "HOST_NOT_CONN");
}

TEST_F(SessionTest, SuccessWithOnlyATokenSignsInWithEmptyFields) {
  Json::Value response;
  response["token"] = "t";
  response["user"] = 5;  // wrong type: read as absent
  StoreAccountFields(response);
  EXPECT_EQ(State().token, "t");
  EXPECT_EQ(State().user_id, "");
  EXPECT_EQ(State().display_name, "");
}

TEST_F(SessionTest, CliLoginLogAndSearch) {
  Run login = Cli("--email demo@orvelle.test --password '" + std::string(kPassword) + "' login");
  EXPECT_EQ(login.status, 0) << login.err;
  EXPECT_EQ(login.out, "u100001\tDemo Diver\n");

  Run bad = Cli("--email demo@orvelle.test --password nope login");
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.err.rfind("EMAIL_PWD_ERROR: ", 0), 0u) << bad.err;
  EXPECT_GT(bad.err.size(), std::string("EMAIL_PWD_ERROR: \n").size());

  Run log = Cli("--email demo@orvelle.test --password '" + std::string(kPassword) + "' log d000002");
  EXPECT_EQ(log.status, 0) << log.err;
  EXPECT_NE(log.out.find("\"divelog_id\" : \"d000002\""), std::string::npos);
  Run missing = Cli("--email demo@orvelle.test --password '" + std::string(kPassword) + "' log nothing");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err.rfind("DATA_ERROR: ", 0), 0u);

  Run search = Cli("--email demo@orvelle.test --password '" + std::string(kPassword) + "' search Thistlegorm");
  EXPECT_EQ(search.status, 0) << search.err;
  EXPECT_EQ(search.out, "poi0001\tSS Thistlegorm\tRed Sea, Egypt\t27.813600\t33.921100\n");

  EXPECT_EQ(Cli("search").status, 2);
  EXPECT_EQ(Cli("login extra").status, 2);
}

}  // namespace
}  // namespace orv
