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

const Json::Value& SourceReply::response() const {
  const Json::Value& value = JsonMember(root, "response");
  return value.isObject() ? value : Json::Value::nullSingleton();
}

SourceReply TakeReply(const Endpoint& endpoint, std::string_view body, const SourceRequest& how) {
  CheckedReply checked = ReplyCheck(body, how.kind);
  SourceReply reply;
  reply.key = std::move(checked.key);
  reply.root = std::move(checked.root);
  if (reply.key.empty() && endpoint.saved && endpoint.saved->kind == SavedKind::Dive &&
      !JsonMember(reply.response(), "divelog").isObject())
    reply.key = "DATA_ERROR";
  if (!reply.key.empty()) {
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
    SavedAnswer saved = SavedReply(endpoint);
    if (!saved.body) {
      SourceReply reply;
      reply.key = std::move(saved.key);
      reply.step = SourceStep::NotSaved;
      return reply;
    }
    body = std::move(saved.body);
  } else {
    if (how.yield) WaitForDiverRequests();
    std::optional<DiverRequestScope> diver;
    if (how.diver) diver.emplace();
    body = send ? send(endpoint) : RequestFromService(endpoint);
  }
  if (!body) {
    SourceReply reply;
    reply.key = ConnectFailureKey(how.kind);
    reply.step = SourceStep::NotConnected;
    return reply;
  }
  return TakeReply(endpoint, *body, how);
}

}  // namespace orv
