// Where each account's saved copy lives: "$XDG_DATA_HOME/orvelle-pc-tool/"
// (default ~/.local/share/orvelle-pc-tool/), folder 0700. The file name is
// a digest of the e-mail, so no text typed by the diver or sent by the
// service ("../x", a slash, a NUL) can ever name a path outside the folder.
#pragma once

#include <string>

namespace orv {

// The folder, created (0700) when `create`; empty when it cannot be made.
std::string SavedCopyFolder(bool create);
// The copy of `email` (case and surrounding spaces do not matter):
// "<folder>/logbook-<32 hex digits>.sqlite".
std::string SavedCopyPath(const std::string& email);
bool SavedCopyExists(const std::string& email);
// Removes the copy of `email` with its WAL and shared-memory files; false
// when a file stayed. Copies moved aside as damaged are left alone: they
// are the diver's to look into.
bool ForgetSavedCopy(const std::string& email);

}  // namespace orv
