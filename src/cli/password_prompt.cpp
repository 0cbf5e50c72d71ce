#include "cli/password_prompt.h"

#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <iostream>

namespace orv::cli {

namespace {

termios saved_terminal;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};

// Ctrl-C at the prompt must not leave the diver's shell without echo.
void RestoreAndRaise(int signal_number) {
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_terminal);
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

}  // namespace

std::optional<std::string> PromptPassword(const std::string& prompt) {
  if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved_terminal) != 0) return std::nullopt;
  struct sigaction restore {
  }, previous[std::size(kSignals)];
  restore.sa_handler = RestoreAndRaise;
  sigemptyset(&restore.sa_mask);
  for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &restore, &previous[i]);

  termios quiet = saved_terminal;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  quiet.c_lflag |= ECHONL;
  std::optional<std::string> line;
  // Echo goes off before the prompt shows, so nothing typed at once is seen.
  if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0) {
    std::cerr << prompt << std::flush;
    std::string text;
    if (std::getline(std::cin, text)) line = text;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_terminal);
  }
  for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &previous[i], nullptr);
  return line;
}

}  // namespace orv::cli
