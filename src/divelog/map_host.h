// The bridge to the script pages that draw maps and the dive profile: a
// child view placed over a page's element `ie`, calls of the loaded page's
// script functions with text arguments, and the record that names which
// window receives the events the map pages report.
#pragma once

#include <string>
#include <vector>

#include "app/engine.h"

namespace orv {

class MapHost {
 public:
  // Places the view over `element` (a page's `ie`); nothing loads yet.
  void Create(const ElementRef& element) { element_ = element; }
  // Loads `page` ("web_html/main.htm") into the view.
  void Load(const std::string& page);
  // Loads the page again: everything sent to the old one is gone.
  void Navigate(const std::string& page) { Load(page); }
  // Forgets the view; later calls go nowhere.
  void Destroy() { element_ = ElementRef(); }
  bool exists() const { return static_cast<bool>(element_); }
  const ElementRef& element() const { return element_; }

 private:
  ElementRef element_;
};

// Calls `function` of the page loaded in `host` with `args` as its text
// arguments in order. A host without a view, a page still loading and a page
// that lacks the function all make this do nothing.
void CallPageFunction(const MapHost& host, const std::string& function, const std::vector<std::string>& args = {});

// Which window receives map events now; the coordinates themselves travel
// with each posted message and are kept here once it is handled.
struct MapEventRecord {
  double first = 0.0;
  double second = 0.0;
  const EngineWindow* receiver = nullptr;
};
MapEventRecord& MapEvents();
void SetMapEventReceiver(const EngineWindow* receiver);

}  // namespace orv
