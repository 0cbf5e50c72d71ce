// The statistics handler of the main window's first tab: lifetime scuba and
// freedive totals, fetched from the service and shown in the diver's unit.
#pragma once

#include "app/func_base.h"
#include "browse/browse_service.h"
#include "browse/statistics.h"

namespace orv {

class HistoryFunc : public func_base {
 public:
  // `notifier` shows the no-connection dialog (null: the dialog backend);
  // `request` sends the statistics request (empty: the configured service).
  explicit HistoryFunc(Notifier* notifier = nullptr, ServiceRequest request = {});
  ~HistoryFunc() override;

  // Remembers the main window, answers program message 2028 from now on,
  // then Reload.
  void attach(EngineWindow* window) override;
  // Stops answering program message 2028.
  void detach() override;
  // Remembers the main window without loading (orvelle-cli reloads itself).
  void Bind(EngineWindow* window);
  // Clicks on `odo_type` write the texts again.
  void on_event(const ElementRef& element, const PageEvent& event) override;

  // Load and Show: on program message 2028 and when the main page reloads.
  // Returns the failure, none on success.
  Failure Reload();
  // Fetches the totals; a failure keeps the previous ones.
  Failure Load();
  // Writes the eight texts; after a change of the unit setting.
  void Show();

  const DiveTotals& totals() const { return totals_; }

 private:
  BrowseContext context_;
  DiveTotals totals_;
  bool listening_ = false;
};

}  // namespace orv
