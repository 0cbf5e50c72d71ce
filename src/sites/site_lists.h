// The diver's three dive site lists, the shown list, the selected site and
// the edit values, with the operations the dive site page drives. The page
// side (list rows, the three inputs, the type selector, the map) is reached
// through SiteView, so the model runs the same without any page.
#pragma once

#include <optional>
#include <string>

#include "sites/dive_site.h"

namespace orv::sites {

// The edit inputs as the page holds them: text.
struct EditInputs {
  std::string name;
  std::string latitude;
  std::string longitude;
};

// The edit values: name (UTF-8) and coordinates in degrees.
struct EditValues {
  std::string name;
  double latitude = 0;
  double longitude = 0;
};

// What the model asks of the page and the map. Every call defaults to doing
// nothing, so tests and the command line can leave out what they lack.
class SiteView {
 public:
  virtual ~SiteView() = default;
  // Rewrites the rows of `list` (the shown list).
  virtual void RenderList(const SiteList& /*list*/) {}
  // Writes the edit values into the inputs; the name only when `with_name`.
  virtual void ShowEditValues(const EditValues& /*values*/, bool /*with_name*/) {}
  virtual EditInputs ReadEditInputs() { return {}; }
  // Centres the map on the position and marks it (setCenter, clrMarker,
  // setCMarker).
  virtual void ShowOnMap(double /*latitude*/, double /*longitude*/) {}
  virtual void ClearMarker() {}
  virtual void SetTypeSelector(int /*code*/) {}
  // The selector's value as text ("0", "1", "2").
  virtual std::string ReadTypeSelector() { return {}; }
  virtual void ResetEditControls() {}
  virtual void EnableEditControls() {}
};

struct Selection {
  int list = 0;
  size_t index = 0;
  bool operator==(const Selection&) const = default;
};

class DiveSiteLists {
 public:
  // `view` is not owned and may be changed later; null means no page.
  explicit DiveSiteLists(SiteView* view = nullptr);
  void set_view(SiteView* view);

  const SiteLists& lists() const { return lists_; }
  const SiteList& list(int code) const { return lists_[static_cast<size_t>(code)]; }
  const SiteList& current_list() const { return list(current_); }
  int current_type() const { return current_; }
  std::optional<Selection> selection() const { return selected_; }
  const DiveSite* selected_site() const;
  const EditValues& edit_values() const { return edit_; }
  bool empty() const;

  // A new site named "unnamed" at the position, appended to the shown list
  // and selected. False (after DIVE_SITE_MAX was shown) when the list is
  // full.
  bool AddAtPosition(double latitude, double longitude);
  // Selects site `index` of the shown list; other indexes are ignored.
  void Select(long long index);
  // Writes the edit inputs into the selected site; nothing without one.
  void StoreEditValues();
  // Reads the edit inputs and shows them on the map; no site changes.
  void PreviewEditValues();
  // Asks TO_DEL_DIVE_SIZE and removes the selected site when it is in the
  // shown list. True when a site was removed.
  bool DeleteSelected();
  // Shows the list the type selector names.
  void SwitchType();
  // Replaces the three lists (at most 64 sites each are kept), selects
  // nothing and shows list 0.
  void ReplaceAll(SiteLists lists);
  // Edit values from elsewhere: a dragged map marker (coordinates only) or a
  // picked catalogue result.
  void SetEditCoordinates(double latitude, double longitude);
  void SetEditValues(EditValues values);
  void ShowOnMap();
  void RenderCurrent();

 private:
  void LoadEditValues(const DiveSite& site);
  // The inputs taken into the edit values; empty, with the range message
  // shown, when the typed position lies off the world.
  std::optional<EditInputs> ReadInputs();
  void ShowSelectedValues();

  SiteView fallback_;
  SiteView* view_;
  SiteLists lists_;
  int current_ = 0;
  std::optional<Selection> selected_;
  EditValues edit_;
};

// The row texts of a site: "Lat:25.033000", "Lng:121.565000".
std::string RowLatitudeText(const DiveSite& site);
std::string RowLongitudeText(const DiveSite& site);

}  // namespace orv::sites
