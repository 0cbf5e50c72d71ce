// Where the page files of the current language lie, and reading whole files.
#pragma once

#include <optional>
#include <string>

namespace orv {

// "<program folder>/<ENG|CHT>/".
std::string MakePageFolder(const std::string& program_folder, const std::string& language);
// The page folder of AppState followed by `name` ("main.htm", "web_html/maps.htm").
std::string PagePath(const std::string& name);
// The whole file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

}  // namespace orv
