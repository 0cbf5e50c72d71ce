#include "export/export_func.h"

#include "app/cancellable.h"
#include "app/message_keys.h"
#include "app/string_table.h"
#include "browse/month_grid.h"
#include "values/months.h"

namespace orv {

namespace {

// What the progress dialog shows of a running export.
class DialogProgress : public ExportProgress {
 public:
  explicit DialogProgress(ProgressSink& sink) : sink_(sink) {}
  bool Cancelled() const override { return sink_.CancelButton() && sink_.CancelButton()->IsCancelled(); }
  void Report(const ExportCounts& c) override {
    std::string text = Tr(KeyOf(Msg::ExportProgress));
    for (int64_t value : {std::min(c.months_done + 1, c.months_total), c.months_total, int64_t{c.dives_done}})
      if (size_t at = text.find("%d"); at != std::string::npos) text.replace(at, 2, std::to_string(value));
    sink_.SetDetailText(text);
    sink_.SetProgress(c.months_total > 0 ? static_cast<int>(c.months_done * 100 / c.months_total) : 0);
  }

 private:
  ProgressSink& sink_;
};

}  // namespace

void ExportFunc::on_event(const ElementRef&, const PageEvent& event) {
  if (ClickedId(event) == kButton) Run();
}

ExportResult ExportFunc::Run() {
  ExportResult result;
  MonthRange range = LastTwelveMonths();
  if (!ui_ || !ui_->AskRange(range)) return result;
  const std::optional<std::string> path = ui_->ChooseFile();
  if (!path) return result;
  ui_->RunWithProgress([&](ProgressSink& sink) {
    sink.WaitReady();
    DialogProgress progress(sink);
    // Cancel also cuts off the request in flight, so the dialog closes
    // within a second even while the service is slow to answer.
    Cancellable* button = sink.CancelButton();
    Cancellable::CurrentScope operation(button ? *button : Cancellable::Current());
    result = ExportLogBook(range, *path, &progress);
    sink.End();
  });
  if (result.cancelled) return result;  // the diver knows; no file was written
  // The counts are told even when the export failed, as skipped dives are
  // worth knowing before trying again.
  if (result.ok())
    ShowMessage(ExportSummary(result), *path);
  else
    ShowMessage(Tr(result.failure.key()), result.skipped.empty() ? std::string() : ExportSummary(result));
  return result;
}

void ExportRangeFunc::attach(EngineWindow* window) {
  func_base::attach(window);
  FindById(window, "export_from").SetValue(MonthLabel(range_.from_year, range_.from_month));
  FindById(window, "export_to").SetValue(MonthLabel(range_.to_year, range_.to_month));
}

void ExportRangeFunc::on_event(const ElementRef&, const PageEvent& event) {
  const std::string id = ClickedId(event);
  if (id == "cancel") {
    close_(false);
  } else if (id == "ok") {
    MonthRange picked;
    if (!ParseMonthLabel(FindById(window(), "export_from").Value(), picked.from_year, picked.from_month) ||
        !ParseMonthLabel(FindById(window(), "export_to").Value(), picked.to_year, picked.to_month) ||
        picked.Count() == 0 || picked.Count() > kMaxExportMonths) {
      FindById(window(), "message").SetText(Tr(KeyOf(Msg::ExportBadRange)));
      return;
    }
    range_ = picked;
    close_(true);
  }
}

}  // namespace orv
