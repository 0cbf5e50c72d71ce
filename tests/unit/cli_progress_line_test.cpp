// The progress line of the long orvelle-cli commands: rewritten in place on
// a terminal, plain lines once per status otherwise, and a message never
// left glued to the line's text.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/progress_line.h"

namespace orv::cli {
namespace {

struct Step {
  const char* status;
  const char* counts;
  int percent;
  const char* print;  // a line of its own instead of an update, when set
};

TEST(ProgressLine, TerminalRewritesOneLinePlainPrintsEachStatusOnce) {
  const Step steps[] = {
      {"Reading", "1/3 4096/9000", 45, nullptr}, {"Reading", "1/3 4096/9000", 45, nullptr},  // unchanged: drawn once
      {"Reading", "2/3 8192/9000", 91, nullptr}, {nullptr, nullptr, 0, "USB_ERROR"},        {"Done", "", -1, nullptr},
  };
  struct Case {
    bool terminal;
    const char* shows;
  };
  const Case cases[] = {
      {true,
       "\r\033[KReading  1/3 4096/9000  45%\r\033[KReading  2/3 8192/9000  91%\r\033[KUSB_ERROR\n"
       "\r\033[KReading  2/3 8192/9000  91%\r\033[KDone\n"},
      {false, "Reading\nUSB_ERROR\nDone\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.terminal ? "terminal" : "plain");
    std::ostringstream out;
    {
      ProgressLine line(out, c.terminal);
      for (const Step& s : steps) {
        if (s.print)
          line.Print(s.print);
        else
          line.Update(s.status, s.counts, s.percent);
      }
    }
    EXPECT_EQ(out.str(), c.shows);
  }
}

TEST(ProgressLine, PercentOfAnUnknownTotalIsZero) {
  EXPECT_EQ(ProgressLine::Percent(5, 0), 0);
  EXPECT_EQ(ProgressLine::Percent(4096, 9000), 45);
  EXPECT_EQ(ProgressLine::Percent(9001, 9000), 100);
}

}  // namespace
}  // namespace orv::cli
