// The main window's handler for the dive site page (frame `framepage2`): the
// three lists on the map, the edit inputs, the catalogue search, .ds files
// and the transfer to and from the dive computer.
#pragma once

#include <json/value.h>

#include "app/func_base.h"
#include "app/program_messages.h"
#include "device/usb.h"
#include "divelog/map_host.h"
#include "sites/file_chooser.h"
#include "sites/site_lists.h"
#include "sites/site_page_view.h"

namespace orv::sites {

class DiveSiteFunc : public func_base {
 public:
  // `files` (not owned) answers the import and export dialogs; without one
  // both do nothing.
  explicit DiveSiteFunc(FileChooser* files = nullptr, device::Deadlines deadlines = {});
  ~DiveSiteFunc() override;

  void attach(EngineWindow* window) override;
  void detach() override;
  void on_event(const ElementRef& element, const PageEvent& event) override;

  // After main.htm was loaded again: the map goes into the new page; the
  // lists, the selection and the search results stay.
  void Restart();
  // With the map on demand, the map and the shown list are placed when the
  // dive-site page is first shown (ShowPage), not at attach: loading the map
  // would otherwise hold up the log book the diver sees first.
  void set_map_on_demand(bool on_demand) { map_on_demand_ = on_demand; }
  void ShowPage();
  // The three map messages (mouse position, centre answered, marker moved).
  void OnMapMessage(const ProgramMessage& message);

  void Search();
  void PickResult(const std::string& poi_id);
  void NewAtMapCentre();
  void Import();
  void Export();

  void set_file_chooser(FileChooser* files) { files_ = files; }
  DiveSiteLists& model() { return model_; }
  const Json::Value& results() const { return results_; }
  const MapHost& map() const { return map_; }

 private:
  ElementRef InPage(const std::string& id) const { return FindInFrame(window(), "framepage2", id); }
  void PlaceMap();
  void TakeResult(const Json::Value& poi);

  FileChooser* files_;
  device::Deadlines deadlines_;
  EngineWindow* view_window_ = nullptr;
  MapHost map_;
  SitePageView view_;
  DiveSiteLists model_;
  Json::Value results_;
  bool listening_ = false;
  bool map_on_demand_ = false;
  bool map_placed_ = false;
};

}  // namespace orv::sites
