// Runs orvelle-cli as a separate program and keeps what it printed.
#pragma once

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "spawn_program.h"

namespace orv::test {

struct CliResult {
  int exit_code = -1;
  std::string out, err;
  double seconds = 0;
};

inline std::string SlurpFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Runs a shell command line; `folder` receives the captured output files.
inline CliResult RunCommand(const std::string& command_line, const std::string& folder) {
  const std::string out = folder + "/cli_out.txt", err = folder + "/cli_err.txt";
  const std::string cmd = command_line + " >" + out + " 2>" + err;
  auto t = std::chrono::steady_clock::now();
  int status = std::system(cmd.c_str());
  CliResult r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = SlurpFile(out);
  r.err = SlurpFile(err);
  return r;
}

// `args` are passed through the shell as written.
inline CliResult RunCli(const std::string& args, const std::string& folder, const std::string& env = "") {
  return RunCommand(env + " " ORVELLE_BIN_DIR "/orvelle-cli " + args, folder);
}

// Starts orvelle-cli with `args` (no shell between) and the environment plus
// `env` ("NAME=value"); its stderr goes to the file `err`. The pid, -1 when
// it could not start.
inline pid_t SpawnCli(std::vector<std::string> args, const std::vector<std::string>& env, const std::string& err) {
  args.insert(args.begin(), ORVELLE_BIN_DIR "/orvelle-cli");
  return SpawnProgram(std::move(args), env, {"", err});
}

}  // namespace orv::test
