#include "app/func_base.h"

namespace orv {

std::string func_base::ClickedId(const PageEvent& event) {
  if (event.code != kEventClick) return {};
  return event.target.Attr("id");
}

void DeliverEvent(const HandlerList& handlers, const ElementRef& element, const PageEvent& event) {
  for (const auto& handler : handlers) handler->on_event(element, event);
}

}  // namespace orv
