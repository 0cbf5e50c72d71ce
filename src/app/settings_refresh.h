// What the main window does after the settings dialog: every screen follows
// the new language or units.
#pragma once

#include <functional>

#include "app/func_base.h"
#include "app/setting_func.h"

namespace orv {

struct RefreshHooks {
  // Redraws the statistics from the totals held (units changed).
  std::function<void()> redraw_statistics;
  // Reloads the statistics from the service and redraws them.
  std::function<void()> reload_statistics;
  // Brings the calendar back to the current month on a fresh page.
  std::function<void()> restart_calendar;
  // Fills the account fields of the first tab.
  std::function<void()> fill_account;
};

// Runs the refresh for `result` on the main window. Only the units: redraw
// the totals and empty the day list. Anything else (language, both, or a
// dialog that could not be shown): reload main.htm from the new language's
// page folder, then statistics, calendar and account fields.
void RefreshAfterSettings(EngineWindow& main, SettingsResult result, const RefreshHooks& hooks);

}  // namespace orv
