#include "app/settings_refresh.h"

#include "app/app_state.h"
#include "app/page_folder.h"
#include "app/string_table.h"

namespace orv {

void RefreshAfterSettings(EngineWindow& main, SettingsResult result, const RefreshHooks& hooks) {
  auto call = [](const std::function<void()>& f) {
    if (f) f();
  };
  if (result == kSettingsUnit) {
    call(hooks.redraw_statistics);
    main.FindInFrame("framepage1", "cell_tbody").Clear();
    return;
  }
  State().page_folder = MakePageFolder(ProgramFolder(), LanguageCode);
  main.LoadFile(PagePath("main.htm"));
  call(hooks.reload_statistics);
  call(hooks.restart_calendar);
  call(hooks.fill_account);
}

}  // namespace orv
