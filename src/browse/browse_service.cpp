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

BrowseReply RequestChecked(const BrowseContext& context, const Endpoint& endpoint) {
  return RequestChecked(context, endpoint, FindById(context.window, "message"));
}

BrowseReply RequestChecked(const BrowseContext& context, const Endpoint& endpoint, const ElementRef& message) {
  BrowseReply reply;
  std::optional<std::string> body;
  if (ReadingSavedCopy()) {
    // Offline: the copy answers with the body the service gave; what it
    // never got is said in `message`, never shown as an empty screen.
    SavedAnswer saved = SavedReply(endpoint);
    if (!saved.body) {
      reply.key = saved.key;
      message.SetText(Tr(reply.key));
      return reply;
    }
    body = std::move(saved.body);
  } else {
    const ServiceRequest& request = context.request ? context.request : ServiceRequest(RequestFromService);
    DiverRequestScope diver;
    body = request(endpoint);
  }
  if (!body) {
    reply.key = ConnectFailureKey(CallKind::Standard);
    (context.notifier ? *context.notifier : DefaultNotifier()).ShowMessage(reply.key);
    return reply;
  }
  CheckedReply checked = ReplyCheck(*body, CallKind::Standard);
  if (!checked.ok()) {
    reply.key = checked.key;
    // Cancelled by the diver: no failure to tell of.
    if (!WaitCancelled()) message.SetText(Tr(reply.key));
    return reply;
  }
  // The screen's last failure is over once a request of it succeeds.
  message.SetText("");
  reply.response = checked.response();
  SaveReply(endpoint, reply.response);
  return reply;
}

}  // namespace orv
