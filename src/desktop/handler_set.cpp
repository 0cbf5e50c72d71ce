#include "desktop/handler_set.h"

#include <gtk/gtk.h>

#include "account/offline_func.h"
#include "app/program_messages.h"
#include "app/setting_func.h"
#include "app/settings.h"
#include "app/sys_menu_func.h"
#include "browse/calendar_func.h"
#include "browse/history_func.h"
#include "desktop/background_sync.h"
#include "desktop/export_ui_gtk.h"
#include "desktop/file_chooser_gtk.h"
#include "desktop/idle_task.h"
#include "desktop/log_edit_dlg.h"
#include "divelog/dive_map_func.h"
#include "explore/dive_list_func.h"
#include "sites/dive_site_func.h"
#include "transfer/update_func.h"
#include "transfer/upload_func.h"

namespace orv::gtk {

// Order matters: every click reaches the handlers in this order.
HandlerList MakeMainHandlers() {
  HandlerList list;
  auto menu = std::make_unique<SysMenuFunc>();
  SysMenuFunc* tabs = menu.get();
  list.push_back(std::move(menu));
  auto detail = std::make_unique<DiveMapFunc>(RunLogEditDialog);
  DiveMapFunc* dive_detail = detail.get();
  detail->set_detail_loaded_later(true);
  list.push_back(std::move(detail));
  static FileChooserGtk site_files;
  auto site_page = std::make_unique<sites::DiveSiteFunc>(&site_files);
  site_page->set_map_on_demand(true);
  list.push_back(std::move(site_page));
  // After an upload the calendar reloads from the main loop, not inside the
  // upload handler, so no handler runs inside another; the uploaded dives'
  // days and records then reach the saved copy too.
  auto calendar = std::make_unique<CalendarFunc>();
  CalendarFunc* month_view = calendar.get();
  list.push_back(std::make_unique<UploadFunc>(device::Deadlines{}, [calendar = calendar.get()] {
    RunWhenIdle([calendar] {
      calendar->Reload();
      StartBackgroundSync(calendar->window());
    });
  }));
  list.push_back(std::make_unique<UpdateFunc>());
  list.push_back(std::move(calendar));
  list.push_back(std::make_unique<HistoryFunc>());
  static ExportUiGtk export_ui;
  list.push_back(std::make_unique<ExportFunc>(&export_ui));
  // Back online after "Try again": the whole main page comes from the
  // service again, as after a change of language.
  list.push_back(std::make_unique<OfflineFunc>([] {
    PostProgramMessage(ProgramMessage{kMsgSettingsChanged, kSettingsNotShown});
  }));
  // A dive opened from the whole list shows as one opened from its day.
  list.push_back(std::make_unique<DiveListFunc>(
      [tabs, month_view, dive_detail](const std::string& id, const CivilDate& day) {
        tabs->ShowTab(1);
        month_view->ShowMonth(day.year, day.month);
        const auto& cells = month_view->month().cells;
        for (size_t i = 0; i < cells.size(); ++i) {
          if (cells[i].date == day) month_view->OpenDay(static_cast<int>(i));
        }
        dive_detail->View(id);
      },
      [month_view] {
        WriteKeepLogBook(true);
        StartBackgroundSync(month_view->window());
      }));
  return list;
}

}  // namespace orv::gtk
