// orvelle-cli: common options, command table and failure reporting.
#pragma once

#include <string>
#include <vector>

#include "app/failure.h"

namespace orv::cli {

struct Options {
  std::string service;  // host[:port]; empty = the built-in service host
  std::string ca_file;  // extra CA for a local service
  std::string device;   // serial device path; empty = discovery
  std::string email;
  std::string password;
  int unit = -1;         // -1 = from settings
  std::string lang;      // "" = from settings
  bool yes = false;      // --yes: confirm questions (writes to the dive computer)
  bool offline = false;  // --offline: read the log book saved on this computer
  bool json = false;     // --json: list, stats, month, day and log print one JSON document
};

struct Command {
  std::string name;
  std::string usage;        // argument synopsis, shown by --help
  std::string description;  // one line, shown by --help
  int (*run)(const Options& options, const std::vector<std::string>& args);
};

// Command groups, each in its own file.
std::vector<Command> CloudCommands();
std::vector<Command> DeviceCommands();
std::vector<Command> BrowseCommands();
std::vector<Command> TransferCommands();
std::vector<Command> ExportCommands();
std::vector<Command> LogBookCommands();
std::vector<Command> ExploreCommands();

// `stats --by year|month [filters]`: the statistics over the saved copy.
int RunStatsBy(const Options& options, const std::vector<std::string>& args);

// After an upload added dives: the saved copy learns them through the same
// sync as `sync` (counts on stderr), as the desktop's background save does,
// when the diver keeps the log book. A failure is told on stderr; the upload
// itself has succeeded.
void RefreshSavedCopyAfterUpload();

// Prints "KEY: text" on stderr (and the failure's detail on its own line)
// and returns exit code 1.
int Fail(const Failure& failure);
int Fail(const std::string& key);
// "FILE_WRITE_ERROR: text" and then `reason` ("<path>: <why>") on its own
// line: the diver needs to know which file and why.
int FailWrite(const std::string& reason);
// Prints a usage error and returns exit code 2.
int UsageError(const std::string& text);

}  // namespace orv::cli
