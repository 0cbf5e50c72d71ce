#include "sites/site_page_view.h"

#include "app/page_folder.h"
#include "app/row_markup.h"

namespace orv::sites {

ElementRef SitePageView::Find(const std::string& id) const { return FindInFrame(window_, "framepage2", id); }

void SitePageView::RenderList(const SiteList& list) {
  ElementRef body = Find("cell_tbody");
  body.Clear();
  if (!body) return;
  // A missing row template leaves the list empty rather than half-built.
  const std::optional<std::string> row_html = ReadWholeFile(PagePath("dive_site_cell.htm"));
  if (!row_html || row_html->empty()) return;
  // All rows go in as one write: a full list of 64 took hundreds of round
  // trips to the page when each field was looked up and set there.
  std::string markup;
  int i = 0;
  for (const DiveSite& site : list) {
    markup += FillRowMarkup(*row_html, {{"dive_site_name", "", site.Name()},
                                        {"dive_site_lat", "", RowLatitudeText(site)},
                                        {"dive_site_lng", "", RowLongitudeText(site)},
                                        {"dive_site_cell", "objid", std::to_string(i)}});
    ++i;
  }
  if (!markup.empty()) body.AppendHtml(markup);
}

void SitePageView::ShowEditValues(const EditValues& values, bool with_name) {
  if (with_name) Find("dive_site_edit_name").SetValue(values.name);
  Find("dive_site_edit_lat").SetValue(FormatDegrees(values.latitude));
  Find("dive_site_edit_lng").SetValue(FormatDegrees(values.longitude));
}

EditInputs SitePageView::ReadEditInputs() {
  return {Find("dive_site_edit_name").Value(), Find("dive_site_edit_lat").Value(), Find("dive_site_edit_lng").Value()};
}

void SitePageView::ShowOnMap(double latitude, double longitude) {
  const std::string lat = FormatDegrees(latitude), lng = FormatDegrees(longitude);
  CallPageFunction(map_, "setCenter", {lat, lng});
  CallPageFunction(map_, "clrMarker");
  CallPageFunction(map_, "setCMarker", {lat, lng});
}

void SitePageView::ClearMarker() { CallPageFunction(map_, "clrMarker"); }

void SitePageView::SetTypeSelector(int code) { Find("dive_site_type").SetValue(std::to_string(code)); }

std::string SitePageView::ReadTypeSelector() { return Find("dive_site_type").Value(); }

void SitePageView::SetEditControlsDisabled(bool disabled) {
  static const char* const kControls[] = {"dive_site_edit_name", "dive_site_edit_lat", "dive_site_edit_lng",
                                          "dive_site_set",       "dive_site_del",      "dive_site_save"};
  for (const char* id : kControls) {
    if (disabled)
      Find(id).SetAttr("disabled", "");
    else
      Find(id).RemoveAttr("disabled");
  }
}

void SitePageView::ResetEditControls() {
  for (const char* id : {"dive_site_edit_name", "dive_site_edit_lat", "dive_site_edit_lng"}) Find(id).SetValue("");
  SetEditControlsDisabled(true);
}

void SitePageView::EnableEditControls() { SetEditControlsDisabled(false); }

}  // namespace orv::sites
