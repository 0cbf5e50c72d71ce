// The log edit dialog's page handler: cylinder data, conditions, suit and
// weight of one dive, and the dive site picked from the service's catalogue.
#pragma once

#include <functional>
#include <map>
#include <string>

#include <json/value.h>

#include "app/func_base.h"
#include "divelog/dive_log.h"
#include "divelog/map_host.h"

namespace orv {

class LogEditFunc : public func_base {
 public:
  // `record` is lent for the dialog's life; `end` closes the dialog with
  // its result (1 saved, 0 closed without saving).
  LogEditFunc(LogEditRecord& record, std::function<void(int)> end) : record_(record), end_(std::move(end)) {}

  void attach(EngineWindow* window) override;
  void on_event(const ElementRef& element, const PageEvent& event) override;
  // The dialog's map page has loaded: draw the dive's markers on it.
  void OnMapLoaded();

  const Json::Value& poi_results() const { return poi_results_; }
  const MapHost& map() const { return map_; }

 private:
  void ShowSearch(bool search);
  void Search();
  void PickSite(const ElementRef& row);
  void Save();
  void End(int result);
  // Sets a field and remembers the text it then shows.
  void ShowValue(const std::string& id, const std::string& text);
  // Reads a field into `text`; true when it differs from what it was shown with.
  bool Typed(const std::string& id, std::string& text);

  LogEditRecord& record_;
  std::function<void(int)> end_;
  MapHost map_;
  Json::Value poi_results_;                   // `pois` of the last search that succeeded
  std::map<std::string, std::string> shown_;  // field id -> text it was filled with
};

// A typed whole number: optional blanks, an optional sign and digits; 0 when
// there are none, saturating beyond 32 bits. "12.7" reads as 12.
int32_t ReadWholeNumber(std::string_view text);

}  // namespace orv
