// orvelle-cli at a terminal (a pseudo-terminal here) against a real
// orvelle-cloudsim: the password asked for without echo, and one progress
// line rewritten in place; without a terminal, no question and plain lines.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "app/string_table.h"
#include "cli_runner.h"
#include "seed.h"
#include "shared_sim_test.h"

namespace orv::test {
namespace {

struct TerminalRun {
  int exit_code = -1;
  std::string screen;  // everything the terminal showed
};

// Runs `command_line` through the shell on a new pseudo-terminal; once
// `prompt` shows, types `answer` and Enter. Gives up after 60 seconds.
TerminalRun RunInTerminal(const std::string& command_line, const std::string& prompt, const std::string& answer) {
  TerminalRun run;
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid < 0) return run;
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", command_line.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  bool typed = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  char buffer[4096];
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd p{master, POLLIN, 0};
    if (poll(&p, 1, 200) > 0) {
      const ssize_t n = read(master, buffer, sizeof buffer);
      if (n <= 0) break;  // the program's side closed
      run.screen.append(buffer, static_cast<size_t>(n));
    }
    if (!typed && !prompt.empty() && run.screen.find(prompt) != std::string::npos) {
      const std::string line = answer + "\n";
      typed = write(master, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    }
  }
  int status = 0;
  if (waitpid(pid, &status, WNOHANG) == 0) kill(pid, SIGKILL), waitpid(pid, &status, 0);
  close(master);
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class CliTerminal : public SharedSimTest {
 protected:
  // No Secret Service answers here, and none may be started for the test.
  std::string Command(const std::string& args) const {
    return "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent ORVELLE_PASSWORD= " ORVELLE_BIN_DIR
           "/orvelle-cli --service 127.0.0.1:" +
           std::to_string(server_->port()) + " --ca-file '" + server_->ca_file() + "' --email '" + sim::kDemoEmail +
           "' --lang ENG " + args;
  }
};

TEST_F(CliTerminal, PasswordIsAskedWithoutEchoAndProgressIsOneLine) {
  LanguageCode = "ENG";
  std::string prompt = Tr("CLI_PASSWORD_PROMPT");
  prompt.replace(prompt.find("%s"), 2, sim::kDemoEmail);
  const std::string file = server_->dir() + "/terminal.csv";
  struct Case {
    const char* what;
    std::string password;
    int exit_code;
    std::string shows;
  };
  const Case cases[] = {
      {"right password", sim::kDemoPassword, 0, "20 dives written, 0 skipped"},
      {"wrong password", "not-the-password", 1, "EMAIL_PWD_ERROR: " + Tr("EMAIL_PWD_ERROR")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TerminalRun run = RunInTerminal(Command("export --from 2024-05 --to 2024-06 " + file), prompt, c.password);
    EXPECT_EQ(run.exit_code, c.exit_code) << run.screen;
    EXPECT_NE(run.screen.find(prompt), std::string::npos) << run.screen;
    EXPECT_EQ(run.screen.find(c.password), std::string::npos) << run.screen;  // never echoed
    EXPECT_NE(run.screen.find(c.shows), std::string::npos) << run.screen;
    if (c.exit_code == 0) {
      // The counts and percent rewritten on one line, ended before the summary.
      EXPECT_NE(run.screen.find("\r\033[K2/2 months, 20 dives  100%\r\n20 dives written"), std::string::npos)
          << run.screen;
      EXPECT_EQ(run.screen.find("months, 20 dives\r\n"), std::string::npos);  // no plain lines
    }
  }
  // Without a terminal nothing is asked: the usual failure, at once.
  const CliResult plain =
      RunCommand(Command("export --from 2024-05 --to 2024-06 " + file) + " </dev/null", server_->dir());
  EXPECT_EQ(plain.exit_code, 1);
  EXPECT_EQ(plain.err, "ENTER_PASSWORD: " + Tr("ENTER_PASSWORD") + "\n");
}

}  // namespace
}  // namespace orv::test
