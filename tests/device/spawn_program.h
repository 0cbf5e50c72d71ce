// Starts a program of the build as a separate process, without a shell in
// between, for the tests and benchmarks that watch one from outside (its exit
// status, the signals it takes, how long it runs).
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace orv::test {

// Where the started program's output goes; an empty path leaves the stream
// as this process has it.
struct SpawnOutput {
  std::string out;
  std::string err;
  bool append_err = false;
};

// Starts argv[0] with `argv`. The environment is this process's with `env`
// ("NAME=value") in front: the first of two entries of a name is the one a
// program reads, so these win. The pid, -1 when it could not start.
inline pid_t SpawnProgram(std::vector<std::string> argv, const std::vector<std::string>& env,
                          const SpawnOutput& output = {}) {
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  std::vector<std::string> env_text(env);
  for (char** e = environ; *e; ++e) env_text.emplace_back(*e);
  std::vector<char*> envp;
  envp.reserve(env_text.size() + 1);
  for (std::string& e : env_text) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t io;
  posix_spawn_file_actions_init(&io);
  if (!output.out.empty())
    posix_spawn_file_actions_addopen(&io, STDOUT_FILENO, output.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (!output.err.empty())
    posix_spawn_file_actions_addopen(&io, STDERR_FILENO, output.err.c_str(),
                                     O_WRONLY | O_CREAT | (output.append_err ? O_APPEND : O_TRUNC), 0644);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], &io, nullptr, args.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&io);
  return pid;
}

}  // namespace orv::test
