// "Export log book…" on the Log Book tab: the month range dialog, the save
// dialog, the export behind a progress dialog and a closing message with the
// counts. The windows come through ExportUi, so the logic runs unchanged
// under the desktop program and in tests.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/dialogs.h"
#include "app/func_base.h"
#include "export/log_book_export.h"
#include "values/months.h"

namespace orv {

class ExportUi {
 public:
  virtual ~ExportUi() = default;
  // The page dialog with the two months, starting from `range`; false when
  // the diver cancelled.
  virtual bool AskRange(MonthRange& range) = 0;
  // The save dialog; nothing when cancelled. The name ends in ".uddf" or
  // ".csv".
  virtual std::optional<std::string> ChooseFile() = 0;
  // Runs `work` behind the progress dialog.
  virtual void RunWithProgress(const std::function<void(ProgressSink&)>& work) { orv::RunWithProgress(work); }
};

class ExportFunc : public func_base {
 public:
  static constexpr const char* kButton = "export_logbook";

  explicit ExportFunc(ExportUi* ui) : ui_(ui) {}
  void set_ui(ExportUi* ui) { ui_ = ui; }
  void on_event(const ElementRef& element, const PageEvent& event) override;
  // The whole action; the result of the export, or a result with no key
  // when the diver cancelled.
  ExportResult Run();

 private:
  ExportUi* ui_;
};

// The handler of the month dialog's page (export.htm): the two months in
// `export_from` and `export_to`, "ok" and "cancel".
class ExportRangeFunc : public func_base {
 public:
  ExportRangeFunc(MonthRange& range, std::function<void(bool)> close) : range_(range), close_(std::move(close)) {}
  void attach(EngineWindow* window) override;
  void on_event(const ElementRef& element, const PageEvent& event) override;

 private:
  MonthRange& range_;
  std::function<void(bool)> close_;
};

}  // namespace orv
