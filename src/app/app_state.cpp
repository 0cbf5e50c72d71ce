#include "app/app_state.h"

#include <glib.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <system_error>

#include "app/page_folder.h"

namespace orv {

AppState& State() {
  static AppState state;
  return state;
}

float ScaleX = 1.0f;
float ScaleY = 1.0f;
MainWindowHandle MainWindow = nullptr;

std::string DataFolder() {
  static const std::string folder = [] {
    const char* docs = g_get_user_special_dir(G_USER_DIRECTORY_DOCUMENTS);
    std::string base = docs ? docs : "";
    if (base.empty()) {
      const char* home = g_get_home_dir();
      if (!home || !*home) return std::string();
      base = std::string(home) + "/Documents";
    }
    return base + "/orvelle tessaro/";
  }();
  if (folder.empty()) return folder;
  std::error_code ec;
  // Checked on every call so a folder removed while the program runs comes back;
  // creation errors surface later when a file cannot be written there.
  if (!std::filesystem::exists(folder, ec)) std::filesystem::create_directories(folder, ec);
  return folder;
}

std::string ProgramFolder() {
  static std::once_flag once;
  static std::string folder;
  std::call_once(once, [] {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return;
    folder = FindProgramDataFolder(exe.parent_path().string() + "/");
  });
  return folder;
}

}  // namespace orv
