// The main window's handler for the day list's `view` and `edit` buttons:
// the detail area with its map and profile chart, and the edit operation.
#pragma once

#include <functional>

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
  // Fetches the dive, runs the edit dialog and, when it was saved, shows and
  // stores the edited dive.
  bool Edit(const std::string& divelog_id);
  // After a unit change: the detail page starts empty again.
  void ReloadDetail();
  const MapHost& detail_host() const { return detail_; }

 private:
  EditDialogRunner run_edit_dialog_;
  MapHost detail_;
};

}  // namespace orv
