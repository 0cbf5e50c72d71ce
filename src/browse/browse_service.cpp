#include "browse/browse_service.h"

#include "app/dialogs.h"
#include "app/wait_purpose.h"
#include "logbook/data_source.h"

namespace orv {

void Notifier::ShowMessage(const MessageKey& key) { orv::ShowMessage(Tr(key)); }

Notifier& DefaultNotifier() {
  static Notifier dialogs;
  return dialogs;
}

Reply RequestChecked(const BrowseContext& context, const Endpoint& endpoint) {
  return RequestChecked(context, endpoint, FindById(context.window, "message"));
}

Reply RequestChecked(const BrowseContext& context, const Endpoint& endpoint, const ElementRef& message) {
  SourceReply asked = AskSource(endpoint, context.request);
  const std::string& key = asked.key();
  switch (asked.step) {
    case SourceStep::NotSaved:
      // Offline, what the copy never got is said in `message`, never shown
      // as an empty screen.
      message.SetText(Tr(key));
      return asked.failure;
    case SourceStep::NotConnected:
      (context.notifier ? *context.notifier : DefaultNotifier()).ShowMessage(key);
      return asked.failure;
    case SourceStep::Refused:
      // Cancelled by the diver: no failure to tell of.
      if (!WaitOperation().IsCancelled()) message.SetText(Tr(key));
      return asked.failure;
    case SourceStep::Answered:
      break;
  }
  // The screen's last failure is over once a request of it succeeds.
  message.SetText("");
  return Reply(std::move(asked.value));
}

}  // namespace orv
