// The relay against an in-memory device and a scripted service: the order of
// requests, what is posted, and which messages the diver sees.
#include <gtest/gtest.h>

#include <deque>

#include "app/string_table.h"
#include "transfer/upload_relay.h"

namespace orv {
namespace {

struct Sink : ProgressSink {
  void WaitReady() override {}
  void SetMessageText(const std::string& t) override { status.push_back(t); }
  void SetDetailText(const std::string& t) override { detail.push_back(t); }
  void SetProgress(int v) override { progress.push_back(v); }
  void ShowMessage(const std::string& t) override { messages.push_back(t); }
  void End() override {}
  std::vector<std::string> status, detail, messages;
  std::vector<int> progress;
};

struct Fixture {
  std::deque<std::string> replies;  // scripted service answers, in order
  std::vector<Endpoint> sent;
  std::vector<uint32_t> device_reads;
  uint32_t failing_addr = 0xFFFFFFFF;
  Sink sink;
  UploadLink Link() {
    UploadLink link{"Q7", 1005, {}, {}};
    link.read_block = [this](uint32_t addr, uint8_t* d, uint32_t n) {
      device_reads.push_back(addr);
      for (uint32_t i = 0; i < n; ++i) d[i] = static_cast<uint8_t>('a' + (addr + i) % 26);
      return addr != failing_addr;
    };
    link.send = [this](const Endpoint& e) {
      sent.push_back(e);
      if (replies.empty()) return std::string();
      std::string r = replies.front();
      replies.pop_front();
      return r;
    };
    return link;
  }
  UploadOutcome Run() { return UploadRelay(Link(), sink).Run(0); }
};

std::string Phase(int tknum, int total, const std::string& spi) {
  return R"({"code":"0000000","response":{"tknum":)" + std::to_string(tknum) + R"(,"total":)" + std::to_string(total) +
         R"(,"spi":[)" + spi + "]}}";
}

TEST(UploadRelay, TwoPhasesFollowTheRepliesOfTheirLastSteps) {
  Fixture f;
  f.replies = {
      Phase(1, 8, R"({"command":"logDirectory","cb_send":8,"flash":[{"addr":0,"size":8}]})"),
      Phase(2, 9000,
            R"({"command":"addDivelogs","cb_send":5000,"flash":[{"addr":4096,"size":4096},{"addr":20000,"size":800}]},
                               {"command":"other","cb_send":4000,"flash":[{"addr":30000,"size":4000}]})"),
      R"({"code":"0000000"})", R"({"code":"0"})"};
  UploadOutcome out = f.Run();
  EXPECT_TRUE(out.complete);
  EXPECT_TRUE(f.sink.messages.empty());
  ASSERT_EQ(f.sent.size(), 4u);
  EXPECT_EQ(f.sent[0].path, HeaderInfoEndpoint("Q7", 1005).path);
  EXPECT_EQ(f.sent[1].path.rfind("api/v1/devices/logDirectory?", 0), 0u);
  EXPECT_EQ(f.sent[2].path.rfind("api/v2/devices/addDivelogs?", 0), 0u);
  EXPECT_NE(f.sent[2].path.find("length=5000"), std::string::npos);
  ASSERT_EQ(f.sent[2].body.size(), 5000u);
  EXPECT_EQ(f.sent[2].body[4096], static_cast<char>('a' + 20000 % 26));  // second range follows the first
  EXPECT_EQ(f.sent[2].body[4999], 0);                                    // tail no range fills
  EXPECT_EQ(f.sent[3].path.rfind("api/v1/devices/other?", 0), 0u);
  EXPECT_EQ(f.device_reads, (std::vector<uint32_t>{0, 4096, 20000, 30000}));
  // First range of the first step of the 3-step-like reading phase.
  EXPECT_NE(std::find(f.sink.detail.begin(), f.sink.detail.end(), "1/2 4096/9000"), f.sink.detail.end());
  EXPECT_EQ(f.sink.status.back(), Tr("COMPLETE_UPLOAD"));
}

TEST(UploadRelay, NothingToDoPassesTheHeaderReplyThrough) {
  Fixture f;
  f.replies = {R"({"code":"0000000","response":{"tknum":0}})"};
  EXPECT_TRUE(f.Run().complete);
  EXPECT_EQ(f.sent.size(), 1u);
  EXPECT_TRUE(f.device_reads.empty());
}

// One failure, one message: the one that names its cause.
TEST(UploadRelay, FailuresShowTheirKeysAndEndTheRun) {
  {  // a device read fails in the second step: the first post stands
    Fixture f;
    f.failing_addr = 8192;
    f.replies = {Phase(2, 8192, R"({"command":"a","cb_send":4096,"flash":[{"addr":0,"size":4096}]},
                                   {"command":"b","cb_send":4096,"flash":[{"addr":8192,"size":4096}]})"),
                 R"({"code":"0000000"})"};
    UploadOutcome out = f.Run();
    EXPECT_FALSE(out.complete);
    EXPECT_EQ(out.steps_posted, 1);
    EXPECT_EQ(f.sink.messages, (std::vector<std::string>{Tr("USB_ERROR")}));
  }
  {  // steps announced but none listed
    Fixture f;
    f.replies = {R"({"code":"0000000","response":{"tknum":3}})"};
    f.Run();
    EXPECT_EQ(f.sink.messages, (std::vector<std::string>{Tr("HOST_NOT_CONN")}));
  }
  {  // unknown device at the header request: no phase at all
    Fixture f;
    f.replies = {R"({"code":"4000001"})"};
    f.Run();
    EXPECT_EQ(f.sent.size(), 1u);
    EXPECT_EQ(f.sink.messages, (std::vector<std::string>{Tr("NOT_SUPPOR_DEVICE")}));
  }
  {  // a range beyond one block would overrun the device read: refused unread
    Fixture f;
    f.replies = {Phase(1, 8192, R"({"command":"a","cb_send":8192,"flash":[{"addr":0,"size":8192}]})")};
    UploadOutcome out = f.Run();
    EXPECT_TRUE(f.device_reads.empty());
    EXPECT_EQ(out.steps_posted, 0);
    EXPECT_EQ(f.sink.messages, (std::vector<std::string>{Tr("HOST_ERROR")}));
  }
}

}  // namespace
}  // namespace orv
