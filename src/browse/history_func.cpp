#include "browse/history_func.h"

#include "app/app_state.h"
#include "app/message_keys.h"
#include "app/program_messages.h"
#include "app/wait_purpose.h"

namespace orv {

HistoryFunc::HistoryFunc(Notifier* notifier, ServiceRequest request) {
  context_.notifier = notifier;
  context_.request = std::move(request);
}

HistoryFunc::~HistoryFunc() { detach(); }

void HistoryFunc::attach(EngineWindow* window) {
  Bind(window);
  // The calendar's "synclog" posts 2028; it arrives on the UI thread after
  // the click has been handled.
  OnProgramMessage(kMsgReloadStatistics, [this](const ProgramMessage&) { Reload(); });
  listening_ = true;
  Reload();
}

void HistoryFunc::detach() {
  // Never leave the queue holding a handler that points at a gone object.
  if (listening_) OnProgramMessage(kMsgReloadStatistics, {});
  listening_ = false;
}

void HistoryFunc::Bind(EngineWindow* window) {
  func_base::attach(window);
  context_.window = window;
}

void HistoryFunc::on_event(const ElementRef& /*element*/, const PageEvent& event) {
  if (ClickedId(event) == "odo_type") Show();
}

Failure HistoryFunc::Reload() {
  Failure failure = Load();
  // Shown also after a failure, so the page holds the totals from before.
  Show();
  return failure;
}

Failure HistoryFunc::Load() {
  WaitPurpose purpose(KeyOf(Msg::BusyTotals));
  Reply reply = RequestChecked(context_, StatisticsEndpoint(State().user_id));
  if (!reply.ok()) return reply.failure();
  totals_ = TotalsFromResponse(*reply);
  return {};
}

void HistoryFunc::Show() {
  for (const auto& [id, text] : MakeStatisticsTexts(totals_)) FindInFrame(window(), "framepage1", id).SetText(text);
}

}  // namespace orv
