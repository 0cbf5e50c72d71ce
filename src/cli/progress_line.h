// How a long orvelle-cli command shows where it stands. On a terminal: one
// line, rewritten in place, with the status, the counts and the percent.
// Otherwise (a log file, a pipe): plain lines, each printed once, so a
// script's log reads top to bottom without control characters.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace orv::cli {

class ProgressLine {
 public:
  // `terminal` unset: whether stderr is a terminal.
  explicit ProgressLine(std::ostream& out);
  ProgressLine(std::ostream& out, bool terminal);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  bool terminal() const { return terminal_; }

  // What the command is doing and how far it is: the terminal line becomes
  // "status  counts  percent%" (parts left out when empty or negative); a
  // plain line is printed when `status` changes, the counts being left to
  // the command's own lines.
  void Update(const std::string& status, const std::string& counts = "", int percent = -1);
  // A line of its own (a message, a command's plain count line), printed
  // above the updating line, which is drawn again after it.
  void Print(const std::string& line);

  // done × 100 / total, 0 when the total is unknown.
  static int Percent(int64_t done, int64_t total);

 private:
  void Draw();
  void Erase();

  std::ostream& out_;
  bool terminal_;
  std::string status_, shown_;
  bool drawn_ = false;
};

}  // namespace orv::cli
