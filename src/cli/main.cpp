// orvelle-cli: the program's logic without windows, for scripts and tests.
//
// Common options (also from the environment):
//   --service HOST[:PORT]  ORVELLE_SERVICE   service host (default built in, port 8443)
//   --ca-file FILE         ORVELLE_CA_FILE   extra CA certificate for a local service
//   --device PATH          ORVELLE_DEVICE    serial device, skipping discovery
//   --email, --password    ORVELLE_EMAIL, ORVELLE_PASSWORD   account to sign in with;
//                          without a password the one the desktop program
//                          remembered is used, else it is asked at the terminal
//   --unit metric|imperial, --lang ENG|CHT   override the saved settings
//   --offline              month, day, log, stats and export read the saved log book
//   --json                 list, stats, month, day and log print one JSON document
//
// Exit codes: 0 done, 1 failed (a "KEY: text" line on stderr says why),
// 2 usage (a line naming the argument), 128 + N stopped by signal N.
//
// SIGINT, SIGTERM or SIGHUP during a device operation stops it cleanly: the
// end command it owes goes out, the port is released, temporary files are
// removed, and the program exits with 128 + the signal (130, 143, 129).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "app/app_state.h"
#include "app/cancellable.h"
#include "app/environment.h"
#include "app/message_keys.h"
#include "app/settings.h"
#include "app/stop_request.h"
#include "app/string_table.h"
#include "cli/cli.h"
#include "logbook/copy_place.h"

namespace orv::cli {

int Fail(const Failure& failure) {
  // After a stop the failure is the stop's doing; main says so in one line.
  if (ProgramStop().IsCancelled()) return 1;
  std::cerr << failure.key() << ": " << Tr(failure.key()) << "\n";
  if (!failure.detail.empty()) std::cerr << "orvelle-cli: " << failure.detail << "\n";
  // Out of reach, the diver may not know the copy is there to read.
  if (failure.unreachable() && SavedCopyExists(State().email))
    std::cerr << "OFFLINE_HINT: " << Tr(KeyOf(Msg::OfflineHint)) << "\n";
  return 1;
}

int Fail(const std::string& key) { return Fail(Failure(MsgOf(key))); }

int FailWrite(const std::string& reason) {
  const int rc = Fail(KeyOf(Msg::FileWriteError));
  if (!ProgramStop().IsCancelled() && !reason.empty()) std::cerr << "orvelle-cli: " << reason << "\n";
  return rc;
}

int UsageError(const std::string& text) {
  std::cerr << "orvelle-cli: " << text << " (see orvelle-cli --help)\n";
  return 2;
}

namespace {

std::vector<Command> AllCommands() {
  std::vector<Command> all;
  for (auto group : {CloudCommands, DeviceCommands, BrowseCommands, ExploreCommands, TransferCommands, ExportCommands,
                     LogBookCommands}) {
    auto cmds = group();
    all.insert(all.end(), cmds.begin(), cmds.end());
  }
  return all;
}

#ifndef ORVELLE_VERSION
#define ORVELLE_VERSION "0"
#endif

void PrintHelp() {
  std::cout << "usage: orvelle-cli [options] COMMAND [ARGS]\n\n"
               "options:\n"
               "  --service HOST[:PORT]   service host (env ORVELLE_SERVICE)\n"
               "  --ca-file FILE          extra CA for a local service (env ORVELLE_CA_FILE)\n"
               "  --device PATH           dive computer's serial device (env ORVELLE_DEVICE)\n"
               "  --email ADDR            account e-mail (env ORVELLE_EMAIL)\n"
               "  --password TEXT         account password (env ORVELLE_PASSWORD); other users of\n"
               "                          this machine can read it in the process list. Without\n"
               "                          it the password the desktop program remembered is used,\n"
               "                          or it is asked for at the terminal, not echoed\n"
               "  --unit metric|imperial  units of printed values\n"
               "  --lang ENG|CHT          language of messages\n"
               "  --yes                   confirm writes to the dive computer\n"
               "  --offline               read the log book saved on this computer, send nothing\n"
               "  --json                  list, stats, month, day, log: one JSON document, SI units\n"
               "  --version               print the program's version\n"
               "  --help                  print this help\n\ncommands:\n";
  const std::vector<Command> all = AllCommands();
  size_t width = 0;
  for (const auto& c : all) width = std::max(width, c.name.size());
  for (const auto& c : all)
    std::cout << "  " << c.name << std::string(width + 2 - c.name.size(), ' ') << c.description << "\n";
  std::cout << "\narguments:\n";
  for (const auto& c : all)
    if (!c.usage.empty()) std::cout << "  " << c.name << std::string(width + 2 - c.name.size(), ' ') << c.usage << "\n";
  std::cout << "\nexit status: 0 done, 1 failed (KEY: text on stderr), 2 usage error, 128+N stopped by signal N\n";
}

}  // namespace
}  // namespace orv::cli

int main(int argc, char** argv) {
  using namespace orv::cli;
  Options opt;
  const orv::ProgramEnvironment& environment = orv::Environment();
  opt.service = environment.service;
  opt.ca_file = environment.ca_file;
  opt.device = environment.device;
  opt.email = environment.email;
  opt.password = environment.password;

  std::vector<std::string> rest;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      PrintHelp();
      return 0;
    } else if (a == "--version") {
      std::cout << "orvelle-cli " << ORVELLE_VERSION << "\n";
      return 0;
    } else if (a == "--json") {
      opt.json = true;
    } else if (a == "--service") {
      if (!value(opt.service)) return UsageError("--service needs a value");
    } else if (a == "--ca-file") {
      if (!value(opt.ca_file)) return UsageError("--ca-file needs a value");
    } else if (a == "--device") {
      if (!value(opt.device)) return UsageError("--device needs a value");
    } else if (a == "--email") {
      if (!value(opt.email)) return UsageError("--email needs a value");
    } else if (a == "--password") {
      if (!value(opt.password)) return UsageError("--password needs a value");
    } else if (a == "--yes") {
      opt.yes = true;
    } else if (a == "--offline") {
      opt.offline = true;
    } else if (a == "--unit") {
      if (!value(v)) return UsageError("--unit needs a value");
      if (v == "metric" || v == "0")
        opt.unit = 0;
      else if (v == "imperial" || v == "1")
        opt.unit = 1;
      else
        return UsageError("--unit is metric or imperial");
    } else if (a == "--lang") {
      if (!value(v)) return UsageError("--lang needs a value");
      if (v != "ENG" && v != "CHT") return UsageError("--lang is ENG or CHT");
      opt.lang = v;
    } else if (rest.empty() && a.size() > 1 && a[0] == '-') {
      return UsageError("unknown option " + a);
    } else {
      rest.push_back(a);
    }
  }
  if (rest.empty()) {
    PrintHelp();
    return 2;
  }

  orv::ReadSettings();
  orv::Strings();  // a missing language table is reported before anything else
  if (opt.unit >= 0) orv::State().unit = opt.unit;
  if (!opt.lang.empty()) orv::LanguageCode = opt.lang;

  const std::string name = rest.front();
  rest.erase(rest.begin());
  for (const auto& c : AllCommands()) {
    if (c.name != name) continue;
    const int rc = c.run(opt, rest);
    if (const int signal_number = orv::StopSignal()) {
      std::cerr << "orvelle-cli: stopped by SIG" << sigabbrev_np(signal_number) << "; the dive computer was released\n";
      return orv::ExitCodeForSignal(signal_number);
    }
    return rc;
  }
  return UsageError("unknown command " + name);
}
