// One dive record asked for the way AskSource asks (online through the
// service and written through, offline from the copy), read with simdjson:
// a long profile is read in a fraction of what building its JsonCpp tree
// costs. Every check is the reply check's own: where simdjson does not read
// the body whole, the body goes through TakeReply instead, so a malformed
// reply ends with the very key it always did, and one JsonCpp still reads
// (a comment, a number beyond 64 bits) is still shown.
#pragma once

#include <memory>
#include <optional>

#include "logbook/data_source.h"
#include "logbook/simd_log.h"

namespace orv {

struct SourceRecord {
  Failure failure;  // none when answered
  SourceStep step = SourceStep::Answered;
  // When answered: the record read with simdjson (`text` holds what it
  // points into), or else the record as TakeReply parsed it.
  std::unique_ptr<SimdText> text;
  SimdLog record;
  std::optional<Json::Value> parsed;
  bool ok() const { return step == SourceStep::Answered; }
  const std::string& key() const { return failure.key(); }
};

// `endpoint` must be a dive record's (DiveLogEndpoint).
SourceRecord AskRecord(const Endpoint& endpoint, const ServiceRequest& send, const SourceRequest& how = {});
// A body that arrived for a dive record's `endpoint`, checked and written
// through as TakeReply does.
SourceRecord TakeRecord(const Endpoint& endpoint, std::string_view body, const SourceRequest& how);

}  // namespace orv
