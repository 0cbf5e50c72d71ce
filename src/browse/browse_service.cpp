#include "browse/browse_service.h"

#include "app/dialogs.h"
#include "app/wait_purpose.h"
#include "cloud/http_post.h"
#include "cloud/reply_check.h"
#include "logbook/write_through.h"

namespace orv {

void Notifier::ShowMessage(const MessageKey& key) { orv::ShowMessage(Tr(key)); }

Notifier& DefaultNotifier() {
  static Notifier dialogs;
  return dialogs;
}

std::optional<std::string> RequestFromService(const Endpoint& endpoint) {
  HttpPost http;  // one connection per load, closed when it goes out of scope
  if (!http.Connect()) return std::nullopt;
  return Send(http, endpoint).body;
}

Reply RequestChecked(const BrowseContext& context, const Endpoint& endpoint) {
  return RequestChecked(context, endpoint, FindById(context.window, "message"));
}

Reply RequestChecked(const BrowseContext& context, const Endpoint& endpoint, const ElementRef& message) {
  std::optional<std::string> body;
  if (ReadingSavedCopy()) {
    // Offline: the copy answers with the body the service gave; what it
    // never got is said in `message`, never shown as an empty screen.
    Result<std::string> saved = SavedReply(endpoint);
    if (!saved) {
      message.SetText(Tr(saved.failure().key()));
      return saved.failure();
    }
    body = std::move(*saved);
  } else {
    const ServiceRequest& request = context.request ? context.request : ServiceRequest(RequestFromService);
    DiverRequestScope diver;
    body = request(endpoint);
  }
  if (!body) {
    const Failure failure = ConnectFailure(CallKind::Standard);
    (context.notifier ? *context.notifier : DefaultNotifier()).ShowMessage(failure.key());
    return failure;
  }
  Reply reply = ReplyCheck(*body, CallKind::Standard);
  if (!reply.ok()) {
    // Cancelled by the diver: no failure to tell of.
    if (!WaitCancelled()) message.SetText(Tr(reply.failure().key()));
    return reply;
  }
  // The screen's last failure is over once a request of it succeeds.
  message.SetText("");
  SaveReply(endpoint, *reply);
  return reply;
}

}  // namespace orv
