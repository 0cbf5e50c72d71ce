// Where the page files of the current language lie, and reading whole files.
#pragma once

#include <optional>
#include <string>

namespace orv {

// The folder holding string.json and the page folders, given the folder of the
// running program (both end with '/'): the program's own folder in a build
// tree, "<prefix>/share/orvelle-pc-tool/" for a program installed in
// "<prefix>/bin/"; the program's folder when neither holds string.json.
std::string FindProgramDataFolder(const std::string& exe_folder);
// "<program folder>/<ENG|CHT>/".
std::string MakePageFolder(const std::string& program_folder, const std::string& language);
// The page folder of AppState followed by `name` ("main.htm", "web_html/maps.htm").
std::string PagePath(const std::string& name);
// The whole file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

}  // namespace orv
