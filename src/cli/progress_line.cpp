#include "cli/progress_line.h"

#include <unistd.h>

#include <ostream>

namespace orv::cli {

namespace {
// Back to the line's start and clear it: the new text may be shorter.
constexpr char kRewind[] = "\r\033[K";
}  // namespace

ProgressLine::ProgressLine(std::ostream& out) : ProgressLine(out, isatty(STDERR_FILENO) == 1) {}

ProgressLine::ProgressLine(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) {}

ProgressLine::~ProgressLine() {
  // The shell's prompt, or the command's result, starts on a line of its own.
  if (drawn_) out_ << "\n" << std::flush;
}

int ProgressLine::Percent(int64_t done, int64_t total) {
  if (total <= 0 || done <= 0) return 0;
  return done >= total ? 100 : static_cast<int>(done * 100 / total);
}

void ProgressLine::Update(const std::string& status, const std::string& counts, int percent) {
  if (!terminal_) {
    if (!status.empty() && status != status_) out_ << status << "\n" << std::flush;
    status_ = status;
    return;
  }
  status_ = status;
  std::string text = status;
  for (const std::string& part : {counts, percent >= 0 ? std::to_string(percent) + "%" : std::string()})
    if (!part.empty()) text += (text.empty() ? "" : "  ") + part;
  if (text == shown_ && drawn_) return;
  shown_ = text;
  Draw();
}

void ProgressLine::Print(const std::string& line) {
  Erase();
  out_ << line << "\n";
  if (terminal_ && !shown_.empty()) Draw();
  out_ << std::flush;
}

void ProgressLine::Draw() {
  out_ << kRewind << shown_ << std::flush;
  drawn_ = true;
}

void ProgressLine::Erase() {
  if (!drawn_) return;
  out_ << kRewind;
  drawn_ = false;
}

}  // namespace orv::cli
