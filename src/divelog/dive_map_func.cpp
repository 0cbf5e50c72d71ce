#include "divelog/dive_map_func.h"

#include "app/message_keys.h"
#include "app/string_table.h"
#include "cloud/http_post.h"
#include "divelog/dive_map_draw.h"
#include "divelog/dive_view.h"

namespace orv {

namespace {
constexpr const char* kDetailPage = "web_html/main.htm";
}

void DiveMapFunc::attach(EngineWindow* window) {
  func_base::attach(window);
  SetMapEventReceiver(window);
  message_ = FindById(window, "message");
  detail_.Create(FindInFrame(window, "framepage1", "ie"));
  if (!detail_loaded_later_) LoadDetail();
}

void DiveMapFunc::LoadDetail() { detail_.Load(kDetailPage); }

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
  if (id == "view")
    View(divelog_id);
  else
    Edit(divelog_id);
}

bool DiveMapFunc::View(const std::string& divelog_id) {
  HttpPost http;
  return ViewDiveLog(http, divelog_id, message_, detail_);
}

bool DiveMapFunc::Edit(const std::string& divelog_id) {
  HttpPost http;
  Result<DiveLog> log = FetchDiveLog(http, divelog_id, window());
  if (!log) return false;
  const auto kept = unsaved_.find(divelog_id);
  LogEditRecord record = kept != unsaved_.end() ? kept->second : FillEditRecord(*log);
  const int result = run_edit_dialog_ ? run_edit_dialog_(record) : 0;
  if (result == 1) {
    DiveLog edited = *log;
    MergeEditRecord(record, edited);
    // The detail shows the edit only once the service holds it; a refused
    // store keeps the diver's values for the next Edit of this dive instead
    // of dropping them, and says so.
    // (The fetch has cleared `message`; a store that succeeds leaves it so.)
    if (!StoreDiveLog(http, edited)) {
      unsaved_.erase(divelog_id);
      ShowDetail(detail_, edited);
    } else {
      unsaved_[divelog_id] = record;
      Find("message").SetText(Tr(KeyOf(Msg::LogSaveFailed)));
    }
  } else if (result == 0) {
    unsaved_.erase(divelog_id);  // the diver closed the dialog without saving
  }
  SetMapEventReceiver(window());
  return true;
}

}  // namespace orv
