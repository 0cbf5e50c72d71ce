#include "divelog/map_host.h"

namespace orv {

void MapHost::Load(const std::string& page) {
  if (EngineWindow* window = element_.window()) window->AttachChildView(element_, page);
}

void CallPageFunction(const MapHost& host, const std::string& function, const std::vector<std::string>& args) {
  const ElementRef& element = host.element();
  if (EngineWindow* window = element ? element.window() : nullptr) window->CallChildFunction(element, function, args);
}

MapEventRecord& MapEvents() {
  static MapEventRecord record;
  return record;
}

void SetMapEventReceiver(const EngineWindow* receiver) { MapEvents().receiver = receiver; }

}  // namespace orv
