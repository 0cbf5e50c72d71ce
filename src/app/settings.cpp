#include "app/settings.h"

namespace orv {
std::string SettingsPath() { return {}; }
void ReadSettings() {}
void WriteSettings(int, int) {}
std::string RememberedEmail() { return {}; }
void RememberEmail(const std::string&) {}
}  // namespace orv
