// Process-wide state shared by every screen: units, the signed-in account,
// the page folder, the last identified dive computer and the display scale.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

namespace orv {

enum class UnitSystem : int32_t { Metric = 0, Imperial = 1 };

// Texts are UTF-8 here: GTK, WebKit and the service all speak UTF-8, so keeping
// one encoding inside the program avoids conversions at every boundary.
struct AppState {
  int32_t unit = 0;  // 0 metric, 1 imperial
  std::string email;
  std::string password;
  std::string user_id;
  std::string token;
  std::string display_name;
  std::string profile_image;
  std::string page_folder;  // ends with "ENG/" or "CHT/"
  // Identity of the last dive computer identified; reset before each identify.
  std::string firmware_version = "0.000";
  uint32_t device_identity = 0;
  std::string model = "Q7";

  void ResetDeviceIdentity() {
    firmware_version = "0.000";
    device_identity = 0;
    model = "Q7";
  }
};

AppState& State();

// Display scale, measured once at start-up (logical DPI / 96).
extern float ScaleX;
extern float ScaleY;
// Rounded, not cut: a page drawn at the same scale must not lose its last
// pixel row to a half pixel (210 x 1.25).
inline int ScaledWidth(int logical) { return static_cast<int>(std::lround(logical * ScaleX)); }
inline int ScaledHeight(int logical) { return static_cast<int>(std::lround(logical * ScaleY)); }

// Opaque handle of the main window (a GtkWindow* in the desktop program,
// null in orvelle-cli and the tests).
using MainWindowHandle = void*;
extern MainWindowHandle MainWindow;

// "<XDG documents>/orvelle tessaro/", created on first use. Empty when the
// documents folder cannot be determined.
std::string DataFolder();

// Folder holding string.json and the page folders (ends with '/'): beside the
// running program in a build tree, its share/ folder once installed.
std::string ProgramFolder();

}  // namespace orv
