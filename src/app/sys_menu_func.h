// The main page's own controls: the three tabs, the settings button and the
// about box.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "app/func_base.h"

namespace orv {

class SysMenuFunc : public func_base {
 public:
  // A new main page (another language) brings new elements.
  void attach(EngineWindow* window) override;
  void on_event(const ElementRef& element, const PageEvent& event) override;
  // The settings dialog is plugged in by the desktop program.
  std::function<void()> on_setting;
  // Told after a tab was switched to (1: log book, 2: dive sites, 3: dives).
  std::function<void(int)> on_tab_shown;
  static constexpr int kTabs = 3;
  void ShowTab(int tab);

 private:
  ElementRef Element(const std::string& id);
  std::map<std::string, ElementRef> elements_;
};

}  // namespace orv
