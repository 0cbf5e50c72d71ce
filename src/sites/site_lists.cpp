#include "sites/site_lists.h"

#include <utility>

#include "app/dialogs.h"
#include "app/message_keys.h"
#include "app/string_table.h"
#include "divelog/poi_search.h"

namespace orv::sites {

namespace {

// The selector's value as a decimal integer, the way atoi reads it; -1 when
// it does not start with one.
int SelectorCode(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || text[i] < '0' || text[i] > '9') return -1;
  long long v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && v < 1000; ++i) v = v * 10 + (text[i] - '0');
  return negative ? -1 : static_cast<int>(v);
}

}  // namespace

DiveSiteLists::DiveSiteLists(SiteView* view) : view_(view ? view : &fallback_) {}

void DiveSiteLists::set_view(SiteView* view) { view_ = view ? view : &fallback_; }

const DiveSite* DiveSiteLists::selected_site() const {
  if (!selected_) return nullptr;
  const SiteList& l = list(selected_->list);
  return selected_->index < l.size() ? &l[selected_->index] : nullptr;
}

bool DiveSiteLists::empty() const {
  for (const SiteList& l : lists_) {
    if (!l.empty()) return false;
  }
  return true;
}

void DiveSiteLists::LoadEditValues(const DiveSite& site) {
  edit_.name = site.Name();
  edit_.latitude = MicroToDegrees(site.latitude);
  edit_.longitude = MicroToDegrees(site.longitude);
}

std::optional<EditInputs> DiveSiteLists::ReadInputs() {
  EditInputs in = view_->ReadEditInputs();
  // A position off the world is refused before the map or a list sees it;
  // the inputs keep the typed text for the diver to correct.
  if (!PositionInRange(ParseDegrees(in.latitude), ParseDegrees(in.longitude))) {
    ShowMessage(Tr(KeyOf(Msg::LatlngRangeError)));
    return std::nullopt;
  }
  edit_.name = in.name;
  edit_.latitude = ParseDegrees(in.latitude);
  edit_.longitude = ParseDegrees(in.longitude);
  return in;
}

void DiveSiteLists::ShowOnMap() { view_->ShowOnMap(edit_.latitude, edit_.longitude); }

void DiveSiteLists::RenderCurrent() { view_->RenderList(current_list()); }

void DiveSiteLists::ShowSelectedValues() {
  LoadEditValues(*selected_site());
  view_->ShowEditValues(edit_, true);
  ShowOnMap();
}

bool DiveSiteLists::AddAtPosition(double latitude, double longitude) {
  SiteList& l = lists_[static_cast<size_t>(current_)];
  if (l.size() >= kMaxSites) {
    ShowMessage(Tr(KeyOf(Msg::DiveSiteMax)));
    return false;
  }
  DiveSite site;
  site.type = static_cast<uint8_t>(current_);
  site.SetName(Tr(KeyOf(Msg::SiteUnnamed)));
  site.latitude = DegreesToMicro(latitude);
  site.longitude = DegreesToMicro(longitude);
  l.push_back(site);
  RenderCurrent();
  selected_ = Selection{current_, l.size() - 1};
  ShowSelectedValues();
  return true;
}

void DiveSiteLists::Select(long long index) {
  const SiteList& l = current_list();
  if (index < 0 || static_cast<unsigned long long>(index) >= l.size()) return;
  selected_ = Selection{current_, static_cast<size_t>(index)};
  ShowSelectedValues();
  view_->EnableEditControls();
}

void DiveSiteLists::StoreEditValues() {
  if (!selected_site()) return;
  const std::optional<EditInputs> read = ReadInputs();
  if (!read) return;
  const EditInputs& in = *read;
  DiveSite& site = lists_[static_cast<size_t>(selected_->list)][selected_->index];
  // Micro-degrees straight from the typed digits: a value shown as
  // 64.863008 goes back as 64863008, not one millionth nearer to zero.
  site.latitude = ParseMicroDegrees(in.latitude);
  site.longitude = ParseMicroDegrees(in.longitude);
  site.SetName(in.name);
  // Show the list the site lives in. That is the list of its type code,
  // except for a slot the device handed over with a stray type byte, where
  // following the byte would hide the site just edited.
  current_ = selected_->list;
  ShowOnMap();
  view_->SetTypeSelector(current_);
  RenderCurrent();
}

void DiveSiteLists::PreviewEditValues() {
  if (ReadInputs()) ShowOnMap();
}

bool DiveSiteLists::DeleteSelected() {
  // Only a site of the shown list: after a type switch the selection may
  // belong to a list the diver no longer sees. Asking first and then
  // deleting nothing would tell the diver something was removed.
  if (!selected_site() || selected_->list != current_) return false;
  if (!AskYesNo(Tr(KeyOf(Msg::ToDelDiveSize)))) return false;
  view_->ClearMarker();
  SiteList& l = lists_[static_cast<size_t>(current_)];
  l.erase(l.begin() + static_cast<std::ptrdiff_t>(selected_->index));
  RenderCurrent();
  selected_.reset();
  view_->ResetEditControls();
  return true;
}

void DiveSiteLists::SwitchType() {
  const int code = SelectorCode(view_->ReadTypeSelector());
  if (IsTypeCode(code)) current_ = code;
  RenderCurrent();
}

void DiveSiteLists::ReplaceAll(SiteLists lists) {
  for (SiteList& l : lists_) l.clear();
  view_->ClearMarker();
  selected_.reset();
  edit_ = {};
  view_->ResetEditControls();
  for (size_t code = 0; code < lists_.size(); ++code) {
    SiteList& from = lists[code];
    if (from.size() > kMaxSites) from.resize(kMaxSites);
    lists_[code] = std::move(from);
  }
  current_ = 0;
  view_->SetTypeSelector(0);
  RenderCurrent();
}

void DiveSiteLists::SetEditCoordinates(double latitude, double longitude) {
  edit_.latitude = latitude;
  edit_.longitude = longitude;
  view_->ShowEditValues(edit_, false);
}

void DiveSiteLists::SetEditValues(EditValues values) {
  edit_ = std::move(values);
  view_->ShowEditValues(edit_, true);
}

std::string RowLatitudeText(const DiveSite& site) {
  return Tr(KeyOf(Msg::SiteRowLat)) + FormatMicroDegrees(site.latitude);
}
std::string RowLongitudeText(const DiveSite& site) {
  return Tr(KeyOf(Msg::SiteRowLng)) + FormatMicroDegrees(site.longitude);
}

}  // namespace orv::sites
