#include "browse/browse_service.h"

#include "app/dialogs.h"
#include "app/wait_purpose.h"
#include "cloud/http_post.h"
#include "cloud/reply_check.h"

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
  const ServiceRequest& request = context.request ? context.request : ServiceRequest(RequestFromService);
  std::optional<std::string> body = request(endpoint);
  BrowseReply reply;
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
  return reply;
}

}  // namespace orv
