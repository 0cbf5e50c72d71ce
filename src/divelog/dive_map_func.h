// The main window's handler for the day list's `view` and `edit` buttons:
// the detail area with its map and profile chart, and the edit operation.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "app/func_base.h"
#include "divelog/dive_log.h"
#include "divelog/map_host.h"

namespace orv {

class DiveMapFunc : public func_base {
 public:
  // Runs the edit dialog modally for the record and returns how it ended
  // (1 saved, 0 closed); the desktop program opens its dialog window here.
  using EditDialogRunner = std::function<int(LogEditRecord&)>;
  explicit DiveMapFunc(EditDialogRunner run_edit_dialog) : run_edit_dialog_(std::move(run_edit_dialog)) {}

  void attach(EngineWindow* window) override;
  void detach() override;
  void on_event(const ElementRef& element, const PageEvent& event) override;

  // Shows dive `divelog_id` in the detail area; false when it could not be fetched.
  bool View(const std::string& divelog_id);
  // Fetches the dive, runs the edit dialog and, when it was saved, stores
  // the edited dive and shows it once stored. A refused store leaves the
  // detail as it was, shows LOG_SAVE_FAILED and keeps the edit: the next
  // Edit of that dive offers it again, until a store succeeds or the diver
  // closes the dialog without saving.
  bool Edit(const std::string& divelog_id);
  bool HasUnsavedEdit(const std::string& divelog_id) const { return unsaved_.count(divelog_id) != 0; }
  // After a unit change: the detail page starts empty again.
  void ReloadDetail();
  // With the detail loaded later, attach only places the detail view and
  // LoadDetail fills it: the program loads it once the log book's own
  // requests have filled the page, which would otherwise wait behind it.
  void set_detail_loaded_later(bool later) { detail_loaded_later_ = later; }
  void LoadDetail();
  const MapHost& detail_host() const { return detail_; }

 private:
  EditDialogRunner run_edit_dialog_;
  MapHost detail_;
  ElementRef message_;                            // the main page's, found once per page
  std::map<std::string, LogEditRecord> unsaved_;  // by dive id
  bool detail_loaded_later_ = false;
};

}  // namespace orv
