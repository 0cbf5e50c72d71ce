// Asking the diver for the password at the terminal, the way other Linux
// tools do: the prompt on stderr, the typing not echoed.
#pragma once

#include <optional>
#include <string>

namespace orv::cli {

// Reads one line from standard input with echo off, after printing `prompt`
// on stderr. Nothing when standard input is not a terminal (a script must
// not hang waiting for a human) or the input ended. The terminal is put
// back as it was, also when a signal ends the program while it waits.
std::optional<std::string> PromptPassword(const std::string& prompt);

}  // namespace orv::cli
