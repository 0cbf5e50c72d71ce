// HttpPost, DownloadToFile and the reply checks against a real
// orvelle-cloudsim over TLS on loopback.
#include <gtest/gtest.h>
#include <json/reader.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/app_state.h"
#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "cloud/reply_check.h"
#include "cloud/service_config.h"
#include "cloud/transfer_runner.h"
#include "shared_sim_test.h"

namespace orv {
namespace {

class TransportTest : public test::SharedSimTest {
 protected:
  void SetUp() override { server_->Use(); }

  static std::string Get(const std::string& path) {
    HttpPost http;
    http.Connect();
    return http.Request("GET", path, "", "", BodyType::Form).body;
  }
  static std::string RawPath(const std::string& hex, int status = 200) {
    return "_sim/raw?status=" + std::to_string(status) + "&hex=" + hex;
  }
  static std::string Hex(const std::string& bytes) {
    static const char k[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) out += {k[c >> 4], k[c & 15]};
    return out;
  }
  static bool Download(const std::string& url, const std::string& path, ErrorStatus error_status = ErrorStatus::Fails) {
    return DownloadToFile(url, path, {HttpPost::kMaxReplyBytes, error_status}).complete();
  }
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

TEST_F(TransportTest, ReplyBodyIsReturnedWhateverTheStatus) {
  EXPECT_EQ(Get(RawPath(Hex("{\"code\":\"0000000\"}"), 404)), "{\"code\":\"0000000\"}");
  EXPECT_EQ(Get(RawPath(Hex("{\"code\":\"5\"}"), 500)), "{\"code\":\"5\"}");
  EXPECT_EQ(Get(RawPath("")), "");  // a body of 0 bytes looks like a failed send
}

TEST_F(TransportTest, ChunkKeepsOnlyItsBytesBeforeTheFirstNul) {
  // First 1024-byte chunk: "abc", NUL, filler; second chunk is plain text.
  std::string first = "abc" + std::string(1, '\0') + std::string(1020, 'x');
  std::string body = first + "tail" + std::string(1, '\0') + "gone";
  EXPECT_EQ(Get(RawPath(Hex(body))), "abctail");
}

TEST_F(TransportTest, UntrustedCertificateIsRefused) {
  Service().ca_file.clear();
  HttpPost http;
  ASSERT_TRUE(http.Connect());
  EXPECT_EQ(http.Request("GET", RawPath(Hex("{}")), "", "", BodyType::Form).outcome, TransferOutcome::Failed);
}

// A diver opening dive after dive pays the TCP and TLS handshakes once.
TEST_F(TransportTest, OperationsOneAfterAnotherShareTheirConnection) {
  const std::string first = Get("_sim/peer");
  ASSERT_NE(first, "");
  EXPECT_EQ(Get("_sim/peer"), first);
  CloseKeptConnections();
  EXPECT_NE(Get("_sim/peer"), first);
}

TEST_F(TransportTest, UnreachableHostConnectsButAnswersNothing) {
  HttpPost http;
  ASSERT_TRUE(http.Connect("127.0.0.1", 1));
  const HttpResult result = http.Request("GET", "api/v1/users/login", "", "", BodyType::Form);
  EXPECT_EQ(result.outcome, TransferOutcome::Failed);
  EXPECT_EQ(result.body, "");
  EXPECT_EQ(ReplyCheck("").key(), "HOST_NOT_CONN");
}

TEST_F(TransportTest, StalledServerIsAbandonedInBoundedTime) {
  ASSERT_TRUE(server_->SetFault("statistics", "stall"));
  auto start = std::chrono::steady_clock::now();
  HttpPost http;
  http.Connect();
  std::string body = Send(http, StatisticsEndpoint("u100001")).body;
  auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  server_->SetFault("statistics", "none");
  EXPECT_EQ(body, "");
  EXPECT_LT(seconds, 8.0);
  EXPECT_EQ(ReplyCheck(body).key(), "HOST_NOT_CONN");
}

TEST_F(TransportTest, TricklingOrCancelledRequestEndsAsNoConnection) {
  // Only the overall limit (trickle) or the runner's cancel (stall) can end
  // these: the stall abort is set far beyond the test's bound.
  struct Case {
    const char* mode;
    int request_timeout_ms;
    bool cancel;
    TransferOutcome outcome;
  };
  for (const Case& c :
       {Case{"trickle", 1500, false, TransferOutcome::Cut}, Case{"stall", 60000, true, TransferOutcome::Stopped}}) {
    SCOPED_TRACE(c.mode);
    ASSERT_TRUE(server_->SetFault("login", c.mode));
    Service().stall_seconds = 60;
    Service().request_timeout_ms = c.request_timeout_ms;
    SetTransferRunner([&](const std::function<void()>& perform, Cancellable& transfer) {
      std::thread diver([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        if (c.cancel) transfer.Cancel();
      });
      perform();
      diver.join();
    });
    auto start = std::chrono::steady_clock::now();
    HttpPost http;
    http.Connect();
    const HttpResult result = Send(http, LoginEndpoint("demo@orvelle.test", "coral+reef&dive=100%"));
    const std::string& body = result.body;
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    SetTransferRunner(nullptr);
    server_->Use();
    server_->SetFault("login", "none");
    EXPECT_EQ(body, "");
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(ReplyCheck(result, CallKind::EmailSignIn).key(), "HOST_NOT_CONN");
    EXPECT_EQ(ReplyCheck(result, CallKind::EmailSignIn).failure().transfer, c.outcome);
    EXPECT_LT(seconds, 10.0);
  }
}

TEST_F(TransportTest, FaultyRepliesMapToTheirKeys) {
  struct Case {
    const char* mode;
    const char* standard;
    const char* sign_in;
    const char* upload;
  };
  const Case cases[] = {
      {"empty", "HOST_NOT_CONN", "HOST_NOT_CONN", "HOST_NOT_CONN"},
      {"text", "HOST_NOT_CONN", "HOST_NOT_CONN", "HOST_ERROR"},
      {"html500", "HOST_NOT_CONN", "HOST_NOT_CONN", "HOST_ERROR"},
      {"badcode", "DATA_ERROR", "EMAIL_PWD_ERROR", "NOT_SUPPOR_DEVICE"},
      {"nocode", "HOST_ERROR", "HOST_ERROR", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    ASSERT_TRUE(server_->SetFault("login", c.mode));
    HttpPost http;
    http.Connect();
    std::string body = Send(http, LoginEndpoint("demo@orvelle.test", "coral+reef&dive=100%")).body;
    EXPECT_EQ(ReplyCheck(body).key(), c.standard);
    EXPECT_EQ(ReplyCheck(body, CallKind::EmailSignIn).key(), c.sign_in);
    EXPECT_EQ(UploadReplyCheck(body, true).key(), c.upload);
  }
  server_->SetFault("login", "none");
}

TEST_F(TransportTest, DownloadReplacesOnlyWithACompleteAnswer) {
  std::string path = server_->dir() + "/features.json";
  { std::ofstream(path) << "old contents that are longer than the new ones"; }

  // Unreachable and untrusted: the file stays exactly as it was.
  EXPECT_FALSE(Download("https://127.0.0.1:1/x", path));
  std::string ca = Service().ca_file;
  Service().ca_file.clear();
  EXPECT_FALSE(Download(server_->origin() + "/" + RawPath(Hex("new")), path));
  Service().ca_file = ca;
  EXPECT_EQ(ReadFile(path), "old contents that are longer than the new ones");
  EXPECT_FALSE(Download("http://127.0.0.1:" + std::to_string(server_->port()) + "/x", path));

  // NUL bytes are kept in files.
  std::string bytes = std::string("ab\0cd", 5);
  EXPECT_TRUE(Download(server_->origin() + "/" + RawPath(Hex(bytes)), path));
  EXPECT_EQ(ReadFile(path), bytes);
  // An error page, and a body cut short of its announced length, are no
  // download; an error status counts only where the caller reads it as one.
  EXPECT_FALSE(Download(server_->origin() + "/" + RawPath(Hex("missing"), 404), path));
  EXPECT_FALSE(Download(server_->origin() + "/" + RawPath(Hex("abc")) + "&announce=10", path));
  EXPECT_EQ(ReadFile(path), bytes);
  EXPECT_TRUE(Download(server_->origin() + "/" + RawPath(Hex("missing"), 404), path, ErrorStatus::IsAnswer));
  EXPECT_EQ(ReadFile(path), "missing");
  EXPECT_FALSE(Download(server_->origin() + "/x", "/nonexistent-dir/file"));
  // No temporary file is left beside the target.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(server_->dir()))
    files += entry.path().filename().string().rfind("features.json", 0) == 0;
  EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace orv
