// The settings dialog's page handler: shows the current language and unit,
// stores the diver's choice on "save", and says what changed.
#pragma once

#include <functional>

#include "app/func_base.h"

namespace orv {

// What the settings dialog changed: 0 nothing, 1 the language, 2 the unit,
// 3 both; -1 when the dialog could not be shown.
using SettingsResult = int;
inline constexpr SettingsResult kSettingsUnchanged = 0;
inline constexpr SettingsResult kSettingsLanguage = 1;
inline constexpr SettingsResult kSettingsUnit = 2;
inline constexpr SettingsResult kSettingsNotShown = -1;

class SettingFunc : public func_base {
 public:
  // `close` ends the dialog with the result.
  explicit SettingFunc(std::function<void(SettingsResult)> close) : close_(std::move(close)) {}
  void attach(EngineWindow* window) override;
  void on_event(const ElementRef& element, const PageEvent& event) override;

 private:
  SettingsResult Save();
  std::function<void(SettingsResult)> close_;
};

// 0 for "ENG", 1 for "CHT", 0 for anything else.
int LanguageIndex(const std::string& code);

}  // namespace orv
