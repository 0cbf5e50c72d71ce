#include "logbook/data_source.h"

#include <simdjson.h>

#include <ctime>
#include <utility>

#include "cloud/json_read.h"
#include "logbook/source_record.h"
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

namespace {

// The body to check: the service's reply online, the copy's offline; or the
// reply that ends the request before any check.
std::optional<SourceReply> AskBody(const Endpoint& endpoint, const ServiceRequest& send, const SourceRequest& how,
                                   std::optional<std::string>& body) {
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
  return std::nullopt;
}

// ReplyCheck's `code`: a string as sent; a number or a boolean is some text
// that is never "0000000"; anything else none.
std::optional<std::string> CodeOf(simdjson::dom::element root) {
  simdjson::dom::object object;
  if (root.get(object) != simdjson::SUCCESS) return std::string();
  std::optional<simdjson::dom::element> code;
  for (const auto field : object)
    if (field.key == "code") code = field.value;
  if (!code) return std::string();
  std::string_view text;
  if (code->get(text) == simdjson::SUCCESS) return std::string(text);
  if (code->is_number() || code->is_bool()) return std::nullopt;
  return std::string();
}

SourceRecord FromReply(SourceReply reply) {
  SourceRecord record;
  record.failure = reply.failure;
  record.step = reply.step;
  if (reply.ok()) {
    record.parsed.emplace();
    record.parsed->swap(reply.value["divelog"]);
  }
  return record;
}

}  // namespace

SourceRecord TakeRecord(const Endpoint& endpoint, std::string_view body, const SourceRequest& how) {
  SourceRecord record;
  record.text = std::make_unique<SimdText>();
  if (!record.text->Parse(body)) return FromReply(TakeReply(endpoint, body, how));
  const simdjson::dom::element root = record.text->root();
  const std::optional<std::string> code = CodeOf(root);
  if (code && code->empty()) {
    record.failure = Msg::HostError;
  } else if (!code || *code != "0000000") {
    record.failure = how.kind == CallKind::EmailSignIn ? Msg::EmailPwdError : Msg::DataError;
  } else {
    const SimdLog response = SimdLog(root).Object("response");
    record.record = response.IsObject() ? response.Object("divelog") : SimdLog();
    if (!record.record.IsObject()) record.failure = Msg::DataError;
  }
  if (record.failure) {
    record.step = SourceStep::Refused;
    return record;
  }
  if (ReadingSavedCopy()) return record;
  if (std::optional<SavedWrite> write = RecordWriteOf(endpoint, record.record)) {
    write->list_row = how.list_row;
    if (how.batch)
      how.batch->push_back(std::move(*write));
    else if (std::shared_ptr<SavedCopy> copy = ActiveSavedCopy())
      copy->Commit({*write}, std::time(nullptr));
  }
  return record;
}

SourceRecord AskRecord(const Endpoint& endpoint, const ServiceRequest& send, const SourceRequest& how) {
  std::optional<std::string> body;
  if (std::optional<SourceReply> ended = AskBody(endpoint, send, how, body)) return FromReply(std::move(*ended));
  return TakeRecord(endpoint, *body, how);
}

SourceReply AskSource(const Endpoint& endpoint, const ServiceRequest& send, const SourceRequest& how) {
  std::optional<std::string> body;
  if (std::optional<SourceReply> ended = AskBody(endpoint, send, how, body)) return std::move(*ended);
  return TakeReply(endpoint, *body, how);
}

}  // namespace orv
