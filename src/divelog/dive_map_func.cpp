#include "divelog/dive_map_func.h"

#include "cloud/http_post.h"
#include "divelog/dive_map_draw.h"

namespace orv {

namespace {
constexpr const char* kDetailPage = "web_html/main.htm";
}

void DiveMapFunc::attach(EngineWindow* window) {
  func_base::attach(window);
  SetMapEventReceiver(window);
  detail_.Create(FindInFrame(window, "framepage1", "ie"));
  detail_.Load(kDetailPage);
}

void DiveMapFunc::detach() {
  detail_.Destroy();
  if (MapEvents().receiver == window()) SetMapEventReceiver(nullptr);
}

void DiveMapFunc::ReloadDetail() { detail_.Navigate(kDetailPage); }

void DiveMapFunc::on_event(const ElementRef& element, const PageEvent& event) {
  (void)element;
  const std::string id = ClickedId(event);
  if (id != "view" && id != "edit") return;
  const std::string divelog_id = event.target.Attr("objid");
  if (id == "view") View(divelog_id); else Edit(divelog_id);
}

bool DiveMapFunc::View(const std::string& divelog_id) {
  HttpPost http;
  std::optional<DiveLog> log = FetchDiveLog(http, divelog_id, window());
  if (!log) return false;
  ShowDetail(detail_, *log);
  return true;
}

bool DiveMapFunc::Edit(const std::string& divelog_id) {
  HttpPost http;
  std::optional<DiveLog> log = FetchDiveLog(http, divelog_id, window());
  if (!log) return false;
  LogEditRecord record = FillEditRecord(*log);
  const int result = run_edit_dialog_ ? run_edit_dialog_(record) : 0;
  if (result == 1) {
    MergeEditRecord(record, *log);
    // The detail shows the edit whether or not the service takes it.
    ShowDetail(detail_, *log);
    // A refused store would otherwise pass unnoticed and the edit would be
    // lost at the next view; its message goes where fetch failures go.
    StoreDiveLog(http, *log, window());
  }
  SetMapEventReceiver(window());
  return true;
}

}  // namespace orv
