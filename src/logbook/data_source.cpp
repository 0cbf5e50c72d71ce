#include "logbook/data_source.h"

#include <utility>

#include "cloud/json_read.h"
#include "logbook/write_through.h"

namespace orv {

std::optional<std::string> RequestFromService(const Endpoint& endpoint) {
  HttpPost http;
  if (!http.Connect()) return std::nullopt;
  return Send(http, endpoint).body;
}

ServiceRequest RequestOn(HttpPost& http) {
  return [&http](const Endpoint& endpoint) -> std::optional<std::string> {
    if (!http.Connect()) return std::nullopt;
    return Send(http, endpoint).body;
  };
}

SourceReply TakeReply(const Endpoint& endpoint, std::string_view body, const SourceRequest& how) {
  SourceReply reply;
  Reply checked = ReplyCheck(body, how.kind);
  if (!checked.ok()) {
    reply.failure = checked.failure();
  } else {
    reply.value.swap(*checked);
  }
  if (!reply.failure && endpoint.saved && endpoint.saved->kind == SavedKind::Dive &&
      !JsonMember(reply.response(), "divelog").isObject())
    reply.failure = Msg::DataError;
  if (reply.failure) {
    reply.step = SourceStep::Refused;
    return reply;
  }
  if (ReadingSavedCopy()) return reply;
  if (!how.batch) {
    SaveReply(endpoint, reply.response());
  } else if (std::optional<SavedWrite> write = WriteOf(endpoint, reply.response())) {
    write->list_row = how.list_row;
    how.batch->push_back(std::move(*write));
  }
  return reply;
}

SourceReply AskSource(const Endpoint& endpoint, const ServiceRequest& send, const SourceRequest& how) {
  std::optional<std::string> body;
  if (ReadingSavedCopy()) {
    Result<std::string> saved = SavedReply(endpoint);
    if (!saved) {
      SourceReply reply;
      reply.failure = saved.failure();
      reply.step = SourceStep::NotSaved;
      return reply;
    }
    body = std::move(*saved);
  } else {
    if (how.yield) WaitForDiverRequests();
    std::optional<DiverRequestScope> diver;
    if (how.diver) diver.emplace();
    body = send ? send(endpoint) : RequestFromService(endpoint);
  }
  if (!body) {
    SourceReply reply;
    reply.failure = ConnectFailure(how.kind);
    reply.step = SourceStep::NotConnected;
    return reply;
  }
  return TakeReply(endpoint, *body, how);
}

}  // namespace orv
