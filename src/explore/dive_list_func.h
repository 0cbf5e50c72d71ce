// The main window's handler for the Dives tab (frame `framepage3`): every
// saved dive in one list with its filter bar, a header click to sort, the
// count, hours and deepest of what is shown, the statistics over the same
// filter, and Enter or a double click to open a dive.
//
// The list is read from the saved copy's summaries, never from the service,
// so it works the same signed in or offline. The page gets a window of the
// filtered list as one JSON text (each row's texts already in the diver's
// units) with the list's length, draws only the rows in view and asks for
// another window when it scrolls out of this one.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/func_base.h"
#include "explore/dive_filter.h"
#include "explore/filter_form.h"

namespace orv {

struct CivilDate;

class DiveListFunc : public func_base {
 public:
  // Opens a dive from the list: its id and the local day it started.
  using OpenDive = std::function<void(const std::string& id, const CivilDate& day)>;
  // Turns "Keep the log book on this computer" on and starts filling it.
  using TurnKeepingOn = std::function<void()>;
  DiveListFunc(OpenDive open, TurnKeepingOn keep) : open_(std::move(open)), keep_(std::move(keep)) {}

  // A new main page starts with empty fields and new elements.
  void attach(EngineWindow* window) override;
  void on_event(const ElementRef& element, const PageEvent& event) override;

  // Shows the tab's content: the list (and the statistics when they are the
  // shown view) from the copy as it is now, or the note that the list needs
  // the copy kept. Run whenever the tab is shown, and after a unit or
  // language change.
  void Show();
  // Reads the filter bar; a value that cannot be meant marks its field and
  // keeps the last good list. True when the list was redrawn.
  bool ApplyFilter();
  // The same after a change of the one field `id`.
  bool ApplyField(const std::string& id);
  void SortBy(DiveColumn column);
  void ShowStatistics(bool on);

  const DiveFilter& filter() const { return filter_; }
  const DiveOrder& order() const { return order_; }

 private:
  ElementRef InPage(const std::string& id) const;
  FilterForm ReadForm() const;
  bool Apply(const FilterForm& form);
  void Redraw();
  void WriteRows(int64_t from);
  void DrawStatistics();
  void MarkSortHeaders();
  void MarkView();
  void Open(const std::string& id);

  OpenDive open_;
  TurnKeepingOn keep_;
  DiveFilter filter_;
  FilterForm form_;              // the fields as last read
  bool fields_to_fill_ = false;  // a new page's fields still lack form_
  DiveOrder order_;
  std::optional<DiveOrder> marked_order_;  // the order the headers show
  bool stats_shown_ = false;
  int64_t stats_year_ = 0;  // 0: the newest year with dives
  int64_t listed_ = 0;      // dives the filter shows
  int64_t list_ = 0;        // counts the lists drawn, so the page tells a new list from another window
  mutable std::map<std::string, ElementRef> elements_;
  std::vector<std::string> marked_bad_;  // the fields last marked aria-invalid
};

}  // namespace orv
