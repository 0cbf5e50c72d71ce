// The calendar handler of the main window's first tab: a 42-cell month grid
// marking the days with dives, month stepping, a resync that also reloads the
// statistics, and a day list opened by a click on a day.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/func_base.h"
#include "browse/browse_service.h"
#include "browse/day_list.h"
#include "browse/month_grid.h"

namespace orv {

// What the fills wrote to a cell's element so far (an attribute that is
// absent: removed), so a new month writes only what differs.
struct CellWrites {
  std::optional<std::string> text;
  std::map<std::string, std::optional<std::string>> attrs;
};

struct DateCell {
  CivilDate date{0, 0, 0};  // all 0 until the first successful fill
  std::string cls;          // the class the last fill gave the cell
  ElementRef element;       // may be empty when the page lacks the cell
  CellWrites written;
};

struct CalendarMonth {
  int64_t year = 0;
  int month = 1;
  int64_t first_cell_day = 0;  // days since 1970-01-01
  std::vector<DateCell> cells;
  ElementRef label;             // the month label; may be empty like a cell
  ElementRef message;           // the main page's `message`, found with the cells
  CivilDate open_day{0, 0, 0};  // the day whose list is shown; all 0 for none
};

class CalendarFunc : public func_base {
 public:
  // `notifier` shows the no-connection dialog (null: the dialog backend);
  // `request` sends the service requests (empty: the configured service).
  // After "synclog" (Reload) the handler posts program message 2028, which
  // HistoryFunc answers with a reload.
  explicit CalendarFunc(Notifier* notifier = nullptr, ServiceRequest request = {});
  ~CalendarFunc() override;

  // Remembers the main window, listens for program message 2030 (turn to
  // a month, as after an upload), then Start.
  void attach(EngineWindow* window) override;
  void detach() override;
  // Remembers the main window and builds the cell list, loading nothing
  // (orvelle-cli picks its month itself).
  void Bind(EngineWindow* window);
  void on_event(const ElementRef& element, const PageEvent& event) override;

  // Back to the current local month with a freshly built cell list; also run
  // whenever the main page is reloaded.
  Failure Start();
  // Shows `year`-`month` (the cli and tests choose a month this way).
  Failure ShowMonth(int64_t year, int month);
  // Writes the label, requests the month's summary and fills the cells.
  // Returns the failure, none on success.
  Failure LoadMonth();
  // What "synclog" does: loads the shown month again, then has the
  // statistics reloaded (also after an upload). Returns LoadMonth's failure.
  Failure Reload();
  // Lists the dives of the date stored in cell `index` by the last fill.
  // `shown`, when given, receives the rows written. The day's cell stays
  // marked (attribute "aria-selected") while its list is the one shown, also
  // when the pointer has left it and across month steps.
  Failure OpenDay(int index, std::vector<DayRow>* shown = nullptr);

  const CalendarMonth& month() const { return month_; }

 private:
  void BuildCells();
  void Fill(const MonthGrid& grid);
  void MarkOpenDay();

  BrowseContext context_;
  CalendarMonth month_;
  bool listening_ = false;
  DayLogList day_list_{context_};
};

}  // namespace orv
