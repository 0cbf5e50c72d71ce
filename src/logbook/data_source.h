// The one way the log book's data is asked for. Online a request goes to the
// service, its reply is checked and, when it passed, written through to the
// saved copy; offline the copy answers with the body the service once gave,
// checked the same way. The calendar, the day list, the statistics, the dive
// detail, orvelle-cli's look-ups, the month walk and the sync all come
// through here, so a reply is judged and kept alike whoever asked for it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <json/value.h>

#include "app/failure.h"
#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "cloud/reply_check.h"
#include "logbook/saved_copy.h"

namespace orv {

// Sends one request: the reply body (empty when none arrived whole), or
// nothing when no connection could be had.
using ServiceRequest = std::function<std::optional<std::string>(const Endpoint&)>;
// On a connection of its own, closed when the request is done.
std::optional<std::string> RequestFromService(const Endpoint& endpoint);
// On `http`, which stays connected for the rest of the caller's operation.
ServiceRequest RequestOn(HttpPost& http);

// Where an asked-for reply ended; the callers tell each in their own place.
enum class SourceStep {
  Answered,      // checked and passed
  NotSaved,      // offline: the copy never got it
  NotConnected,  // online: no connection
  Refused,       // the reply failed its check
};

struct SourceReply {
  Failure failure;  // none when answered
  SourceStep step = SourceStep::Answered;
  // The envelope's `response` when answered (null when absent or not an
  // object); moved out by callers that keep it.
  Json::Value value;
  bool ok() const { return step == SourceStep::Answered; }
  // The failure's message key; empty when answered.
  const std::string& key() const { return failure.key(); }
  const Json::Value& response() const { return value; }
};

struct SourceRequest {
  SourceRequest(CallKind call = CallKind::Standard) : kind(call) {}
  CallKind kind;
  // A request the diver started: a yielding walk holds back while it runs.
  bool diver = true;
  // A walk's own request: first waits until no request of the diver runs.
  bool yield = false;
  // Online, the write goes here, to be committed with the rest of its month;
  // null commits it at once.
  SavedBatch* batch = nullptr;
  std::string list_row;  // a dive: the day-list row it is fetched for
};

// Asks for `endpoint` online through `send` (RequestFromService when empty)
// or offline from the copy.
SourceReply AskSource(const Endpoint& endpoint, const ServiceRequest& send, const SourceRequest& how = {});

// A body that arrived for `endpoint` (from AskSource or a transfer of its
// own): checked as `how`.kind and, online, written through. A dive record's
// reply must carry its record as an object, or the service refused it
// ("DATA_ERROR").
SourceReply TakeReply(const Endpoint& endpoint, std::string_view body, const SourceRequest& how);

}  // namespace orv
