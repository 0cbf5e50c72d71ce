#include "app/gtk/handler_set.h"

#include "app/sys_menu_func.h"
#include "browse/calendar_func.h"
#include "browse/history_func.h"

namespace orv::gtk {

// Order matters: every click reaches the handlers in this order.
HandlerList MakeMainHandlers() {
  HandlerList list;
  list.push_back(std::make_unique<SysMenuFunc>());
  // DiveMapFunc, DiveSiteFunc, UploadFunc, UpdateFunc take their places here.
  list.push_back(std::make_unique<CalendarFunc>());
  list.push_back(std::make_unique<HistoryFunc>());
  return list;
}

}  // namespace orv::gtk
