#include "divelog/log_edit_func.h"

#include <limits>

#include "app/dialogs.h"
#include "app/page_folder.h"
#include "app/string_table.h"
#include "cloud/json_read.h"
#include "divelog/dive_map_draw.h"
#include "divelog/poi_search.h"
#include "values/units.h"

namespace orv {

namespace {

constexpr const char* kMapPage = "web_html/maps.htm";

}  // namespace

int32_t ReadWholeNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > std::numeric_limits<int32_t>::max()) {
      value = int64_t{std::numeric_limits<int32_t>::max()} + 1;
      break;
    }
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

void LogEditFunc::attach(EngineWindow* window) {
  func_base::attach(window);
  map_.Create(Find("ie"));
  SetMapEventReceiver(window);
  map_.Load(kMapPage);

  using U = DisplayUnits;
  if (record_.dive_type == DiveType::Free) {
    Find("scuba_option_title").Hide();
    Find("scuba_option_value").Hide();
  } else {
    ShowValue("s_bar", U::Pressure(record_.start_pressure));
    ShowValue("e_bar", U::Pressure(record_.end_pressure));
    Find("s_bar_unit").SetText(U::PressureWord());
    Find("e_bar_unit").SetText(U::PressureWord());
    ShowValue("volume", U::Volume(record_.cylinder_volume));
    Find("volume_unit").SetText(U::VolumeWord());
  }
  auto has = [](double degrees) { return TruncateToInt32(degrees * 1000000) != 0; };
  if (has(record_.entry_latitude) || has(record_.entry_longitude) || has(record_.exit_latitude) ||
      has(record_.exit_longitude))
    Find("edit_ds").Hide();
  ShowValue("weather", std::to_string(record_.weather));
  ShowValue("wave", std::to_string(record_.wave));
  ShowValue("current", std::to_string(record_.current));
  ShowValue("visibility", std::to_string(record_.visibility));
  ShowValue("suit_thickness", std::to_string(TruncateToInt32(record_.suit_thickness)));
  ShowValue("weight", U::Weight(record_.weight));
  Find("weight_unit").SetText(U::WeightWord());
}

void LogEditFunc::ShowValue(const std::string& id, const std::string& text) {
  ElementRef field = Find(id);
  field.SetValue(text);
  // What the page really shows: a choice list given a code it has no option
  // for shows none, and that is what Save must compare against.
  shown_[id] = field.Value();
}

bool LogEditFunc::Typed(const std::string& id, std::string& text) {
  text = Find(id).Value();
  const auto shown = shown_.find(id);
  return shown == shown_.end() || shown->second != text;
}

void LogEditFunc::OnMapLoaded() {
  if (MapEvents().receiver == window()) PlaceEditMarkers(map_, record_);
}

void LogEditFunc::on_event(const ElementRef& element, const PageEvent& event) {
  (void)element;
  const std::string id = ClickedId(event);
  if (id == "edit_ds")
    ShowSearch(true);
  else if (id == "rtn_map")
    ShowSearch(false);
  else if (id == "search")
    Search();
  else if (id == "dive_site_poi")
    PickSite(event.target);
  else if (id == "exit")
    End(0);
  else if (id == "save")
    Save();
}

void LogEditFunc::ShowSearch(bool search) {
  if (search) {
    Find("ie").Hide();
    Find("ds").Show();
  } else {
    Find("ds").Hide();
    Find("ie").Show();
  }
}

void LogEditFunc::Search() {
  if (!SearchCatalogue(Find("ds_name").Value(), Find("message"), poi_results_)) return;
  RenderPoiRows(Find("cell_tbody"), poi_results_);
}

void LogEditFunc::PickSite(const ElementRef& row) {
  const std::string poi_id = row.Attr("poi_id");
  if (poi_results_.isArray() || poi_results_.isObject()) {
    for (const Json::Value& poi : poi_results_) {
      const Json::Value& id = JsonMember(poi, "poi_id");
      if (!id.isString() || id.asString() != poi_id) continue;
      const GeoPoint at = LogPosition(poi, "gps_location");
      // A catalogue entry off the world would put the dive there; the diver
      // stays in the search to pick another.
      if (!PositionInRange(at.latitude, at.longitude)) {
        ShowMessage(Tr(kLatLngRangeError));
        return;
      }
      record_.site_id = poi_id;
      record_.site_latitude = at.latitude;
      record_.site_longitude = at.longitude;
      PlaceEditMarkers(map_, record_);
    }
  }
  ShowSearch(false);
}

void LogEditFunc::Save() {
  // A field the diver did not touch keeps the record's value exactly: read
  // back from its rounded text (and, in imperial, converted twice) it would
  // come back as another number, and a code without an option as 0.
  const bool imperial = DisplayUnits::Imperial();
  std::string text;
  if (record_.dive_type != DiveType::Free) {
    auto pressure = [&](const std::string& typed) {
      const double value = ReadWholeNumber(typed);
      return imperial ? PsiToBar(value) : value;
    };
    if (Typed("s_bar", text)) record_.start_pressure = pressure(text);
    if (Typed("e_bar", text)) record_.end_pressure = pressure(text);
    if (Typed("volume", text)) record_.cylinder_volume = ReadWholeNumber(text);
  }
  if (Typed("weather", text)) record_.weather = ReadWholeNumber(text);
  if (Typed("wave", text)) record_.wave = ReadWholeNumber(text);
  if (Typed("current", text)) record_.current = ReadWholeNumber(text);
  if (Typed("visibility", text)) record_.visibility = ReadWholeNumber(text);
  if (Typed("suit_thickness", text)) record_.suit_thickness = ReadWholeNumber(text);
  if (Typed("weight", text)) {
    const double weight = WidenDecimal(ReadDecimal(text));
    record_.weight = imperial ? PoundsToKilograms(weight) : weight;
  }
  End(1);
}

void LogEditFunc::End(int result) {
  map_.Destroy();
  if (end_) end_(result);
}

}  // namespace orv
