// Runs orvelle-cli as a separate program and keeps what it printed.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

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
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_text(env);
  for (char** e = environ; *e; ++e) env_text.emplace_back(*e);
  std::vector<char*> envp;
  for (std::string& e : env_text) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t io;
  posix_spawn_file_actions_init(&io);
  posix_spawn_file_actions_addopen(&io, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &io, nullptr, argv.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&io);
  return pid;
}

}  // namespace orv::test
