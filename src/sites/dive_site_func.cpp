#include "sites/dive_site_func.h"

#include <cstdlib>

#include "app/dialogs.h"
#include "app/message_keys.h"
#include "app/string_table.h"
#include "cloud/json_read.h"
#include "divelog/poi_search.h"
#include "sites/ds_file.h"
#include "sites/poi_results.h"
#include "sites/site_transfer.h"

namespace orv::sites {

namespace {

constexpr const char* kMapPage = "web_html/maps.htm";
constexpr int kMapMessages[] = {kMsgMapMouse, kMsgMapCentre, kMsgMarkerMoved};

// The row index in "objid", read as a decimal integer the way atoi does.
long long ObjectIndex(const std::string& text) { return std::strtoll(text.c_str(), nullptr, 10); }

}  // namespace

DiveSiteFunc::DiveSiteFunc(FileChooser* files, device::Deadlines deadlines)
    : files_(files), deadlines_(deadlines), view_(view_window_, map_), model_(&view_) {}

DiveSiteFunc::~DiveSiteFunc() { detach(); }

void DiveSiteFunc::attach(EngineWindow* window) {
  func_base::attach(window);
  view_window_ = window;
  if (!listening_) {
    for (int number : kMapMessages) OnProgramMessage(number, [this](const ProgramMessage& m) { OnMapMessage(m); });
    listening_ = true;
  }
  map_placed_ = false;
  if (!map_on_demand_) ShowPage();
}

void DiveSiteFunc::ShowPage() {
  if (map_placed_) return;
  PlaceMap();
  model_.SwitchType();
}

void DiveSiteFunc::detach() {
  if (listening_) {
    for (int number : kMapMessages) OnProgramMessage(number, nullptr);
    listening_ = false;
  }
  map_.Destroy();
  map_placed_ = false;
}

void DiveSiteFunc::Restart() {
  // The new page's selector reads "0"; showing that list at once keeps the
  // diver's sites in view after a language change.
  map_placed_ = false;
  if (!map_on_demand_) ShowPage();
}

void DiveSiteFunc::PlaceMap() {
  map_placed_ = true;
  map_.Create(InPage("ie"));
  map_.Load(kMapPage);
  view_.ResetEditControls();
}

void DiveSiteFunc::on_event(const ElementRef& element, const PageEvent& event) {
  (void)element;
  if (event.code == kEventSelectionChanged) {
    if (event.target.Attr("id") == "dive_site_type") model_.SwitchType();
    return;
  }
  const std::string id = ClickedId(event);
  if (id.empty()) return;
  if (id == "dive_site_find") Search();
  if (id == "dive_site_new") NewAtMapCentre();
  if (id == "dive_site_set") model_.PreviewEditValues();
  if (id == "dive_site_save") model_.StoreEditValues();
  if (id == "dive_site_cell") model_.Select(ObjectIndex(event.target.Attr("objid")));
  if (id == "dive_site_del") model_.DeleteSelected();
  if (id == "dive_site_send") SendSitesToDevice(model_, deadlines_);
  if (id == "dive_site_read") ReadSitesFromDevice(model_, deadlines_);
  if (id == "dive_site_import") Import();
  if (id == "dive_site_export") Export();
  if (id == "dive_site_poi") PickResult(event.target.Attr("poi_id"));
}

void DiveSiteFunc::OnMapMessage(const ProgramMessage& message) {
  // While the log edit dialog is open its map reports to the dialog; those
  // events are not this page's.
  if (MapEvents().receiver != window()) return;
  MapEvents().first = message.x;
  MapEvents().second = message.y;
  switch (message.number) {
    case kMsgMapMouse:
      InPage("mouse_move_lat").SetValue(FormatDegrees(message.x));
      InPage("mouse_move_lng").SetValue(FormatDegrees(message.y));
      break;
    case kMsgMapCentre:
      model_.AddAtPosition(message.x, message.y);
      break;
    case kMsgMarkerMoved:
      model_.SetEditCoordinates(message.x, message.y);
      break;
    default:
      break;
  }
}

void DiveSiteFunc::NewAtMapCentre() {
  // The site is added when the map answers with its centre.
  CallPageFunction(map_, "getCenter");
  view_.EnableEditControls();
}

void DiveSiteFunc::Search() {
  if (!SearchCatalogue(InPage("dive_site_find_name").Value(), Find("message"), results_)) return;
  RenderPoiRows(InPage("poi_cell_tbody"), results_);
  const bool list = results_.isArray() || results_.isObject();
  const Json::ArrayIndex count = list ? results_.size() : 0;
  if (count == 1)
    TakeResult(*results_.begin());
  else if (count > 1)
    window()->ShowPopup(InPage("pop_table"), InPage("right_wnd"));
  else
    Find("message").SetText(Tr(KeyOf(Msg::DiveSiteNotFound)));  // an empty list alone looks like nothing happened
}

void DiveSiteFunc::TakeResult(const Json::Value& poi) {
  const EditValues values = PoiEditValues(poi);
  if (!PositionInRange(values.latitude, values.longitude)) {
    ShowMessage(Tr(KeyOf(Msg::LatlngRangeError)));
    return;
  }
  model_.SetEditValues(values);
  const std::string lat = FormatDegrees(values.latitude), lng = FormatDegrees(values.longitude);
  CallPageFunction(map_, "setCenterWithZoom", {lat, lng, "14"});
  // The place found is marked, as a listed site is when selected.
  CallPageFunction(map_, "clrMarker");
  CallPageFunction(map_, "setCMarker", {lat, lng});
}

void DiveSiteFunc::PickResult(const std::string& poi_id) {
  if (results_.isArray() || results_.isObject()) {
    for (const Json::Value& poi : results_)
      if (PoiIdEquals(poi, poi_id)) TakeResult(poi);
  }
  if (window()) window()->HidePopup(InPage("pop_table"));
}

void DiveSiteFunc::Import() {
  if (!files_) return;
  const std::optional<std::string> path = files_->Open();
  if (!path) return;
  // A file that cannot be read leaves the lists as they were; saying so
  // beats a silently unchanged page.
  if (!ImportDsFile(model_, *path)) ShowMessage(Tr(KeyOf(Msg::DsFileError)));
}

void DiveSiteFunc::Export() {
  if (!files_) return;
  const std::optional<std::string> path = files_->Save();
  if (!path) return;
  // A file that was not written must not pass for an exported one.
  if (!ExportDsFile(model_, *path)) ShowMessage(Tr(KeyOf(Msg::DsFileError)));
}

}  // namespace orv::sites
