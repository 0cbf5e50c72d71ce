// Reading the service's phase replies and filling step buffers.
#include <gtest/gtest.h>

#include <map>

#include "transfer/upload_steps.h"

namespace orv {
namespace {

TEST(UploadSteps, PhaseReplyReadsStepsInOrderAndMissingMembersAsZero) {
  UploadPhase p = ParseUploadPhase(
      R"({"code":"0000000","response":{"tknum":2,"total":9000,"spi":[
         {"command":"addDivelogs","cb_send":5000,"flash":[{"addr":4096,"size":4096},{"addr":65536,"size":904}]},
         {"cb_send":12}]}})");
  ASSERT_FALSE(p.malformed);
  EXPECT_EQ(p.tknum, 2);
  EXPECT_EQ(p.total, 9000);
  ASSERT_EQ(p.spi.size(), 2u);
  EXPECT_EQ(p.spi[0].command, "addDivelogs");
  ASSERT_EQ(p.spi[0].flash.size(), 2u);
  EXPECT_EQ(p.spi[0].flash[1].addr, 65536u);
  EXPECT_EQ(p.spi[0].flash[1].size, 904u);
  EXPECT_EQ(p.spi[1].command, "");
  EXPECT_TRUE(p.spi[1].flash.empty());
  EXPECT_EQ(CheckUploadStep(p.spi[1]), "");

  UploadPhase none = ParseUploadPhase(R"({"code":"0000000"})");
  EXPECT_FALSE(none.malformed);
  EXPECT_EQ(none.tknum, 0);
}

TEST(UploadSteps, WrongTypesAndImpossibleStepsAreRefused) {
  EXPECT_TRUE(ParseUploadPhase("not json").malformed);
  EXPECT_TRUE(ParseUploadPhase(R"({"response":{"tknum":"3"}})").malformed);
  EXPECT_TRUE(ParseUploadPhase(R"({"response":{"tknum":1,"spi":5}})").malformed);
  const std::map<std::string, bool> steps = {
      {R"({"command":"x","cb_send":4096,"flash":[{"addr":0,"size":4096}]})", true},
      {R"({"command":"x","cb_send":4097,"flash":[{"addr":0,"size":4097}]})", false},  // beyond one block
      {R"({"command":"x","cb_send":100,"flash":[{"addr":0,"size":64},{"addr":9,"size":64}]})", false},
      {R"({"command":"x","cb_send":-1})", false},
      {R"({"command":"x","cb_send":2000000000})", false},  // no 2 GB buffer for a reply
      {R"({"command":"x","cb_send":64,"flash":[{"addr":-5,"size":64}]})", false},
      {R"({"command":7,"cb_send":64})", false},
      {R"({"command":"x","cb_send":64,"flash":{"addr":0}})", false},
  };
  for (const auto& [text, runs] : steps) {
    UploadPhase p = ParseUploadPhase(R"({"response":{"tknum":1,"spi":[)" + text + "]}}");
    ASSERT_EQ(p.spi.size(), 1u) << text;
    EXPECT_EQ(CheckUploadStep(p.spi[0]).empty(), runs) << text;
  }
}

TEST(UploadSteps, BufferIsFilledRangeAfterRangeAndStopsAtTheFirstFailedRead) {
  UploadStep step;
  step.cb_send = 10;
  step.flash = {{0x100, 3}, {0x200, 4}};
  std::vector<std::pair<uint32_t, uint32_t>> reads;
  std::vector<uint32_t> started;
  auto read = [&](uint32_t addr, uint8_t* dest, uint32_t n) {
    reads.emplace_back(addr, n);
    for (uint32_t i = 0; i < n; ++i) dest[i] = static_cast<uint8_t>(addr >> 8);
    return true;
  };
  std::vector<uint8_t> buf;
  ASSERT_TRUE(FillStepBuffer(
      step, read, [&](uint32_t n) { started.push_back(n); }, buf));
  EXPECT_EQ(buf, (std::vector<uint8_t>{1, 1, 1, 2, 2, 2, 2, 0, 0, 0}));
  EXPECT_EQ(started, (std::vector<uint32_t>{3, 4}));

  reads.clear();
  step.flash = {{0x100, 3}, {0x200, 4}, {0x300, 1}};
  auto failing = [&](uint32_t addr, uint8_t* dest, uint32_t n) { return addr != 0x200 && read(addr, dest, n); };
  EXPECT_FALSE(FillStepBuffer(step, failing, {}, buf));
  EXPECT_EQ(reads.size(), 1u);  // the third range is never asked for
}

TEST(UploadSteps, ProgressTexts) {
  EXPECT_EQ(ProgressDetail(1, 3, 4096, 9000), "1/3 4096/9000");
  EXPECT_EQ(ProgressPercent(4096, 9000), 45);
  EXPECT_EQ(ProgressPercent(10, 0), 0);
  EXPECT_EQ(ProgressPercent(9000, 4096), 100);
}

}  // namespace
}  // namespace orv
