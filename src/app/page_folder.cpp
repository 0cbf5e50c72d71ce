#include "app/page_folder.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/app_state.h"

namespace orv {

std::string FindProgramDataFolder(const std::string& exe_folder) {
  // Relative to the program, not a prefix fixed at build time, so an installed
  // tree works wherever it was installed or unpacked. Without "..": the app://
  // scheme serves only paths that stay below this folder once normalised.
  const std::string installed =
      std::filesystem::path(exe_folder + "../share/orvelle-pc-tool/").lexically_normal().string();
  std::error_code ec;
  for (const std::string& candidate : {exe_folder, installed})
    if (std::filesystem::is_regular_file(candidate + "string.json", ec)) return candidate;
  return exe_folder;
}

std::string MakePageFolder(const std::string& program_folder, const std::string& language) {
  std::string folder = program_folder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder + language + "/";
}

std::string PagePath(const std::string& name) { return State().page_folder + name; }

std::optional<std::string> ReadWholeFile(const std::string& path) {
  // Only regular files: a device or a pipe (/dev/zero, a FIFO) would never end.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

}  // namespace orv
