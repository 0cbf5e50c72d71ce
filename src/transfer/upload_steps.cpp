#include "transfer/upload_steps.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "cloud/reply_check.h"

namespace orv {

namespace {

// An integer member; absent reads as 0. A member of another type, or one
// outside [lo, hi], sets `bad`.
int64_t IntMember(const Json::Value& object, const char* name, int64_t lo, int64_t hi, bool& bad) {
  const Json::Value* v = object.isObject() ? object.find(name, name + std::strlen(name)) : nullptr;
  if (!v || v->isNull()) return 0;
  if (!v->isIntegral()) {
    bad = true;
    return 0;
  }
  if (v->isInt64()) {
    int64_t n = v->asInt64();
    if (n >= lo && n <= hi) return n;
  }
  bad = true;
  return 0;
}

}  // namespace

UploadStep ParseUploadStep(const Json::Value& step) {
  UploadStep out;
  if (!step.isObject()) {
    out.malformed = true;
    return out;
  }
  const Json::Value& command = step["command"];
  if (command.isString())
    out.command = command.asString();
  else if (!command.isNull())
    out.malformed = true;
  out.cb_send = IntMember(step, "cb_send", 0, INT32_MAX, out.malformed);
  const Json::Value& flash = step["flash"];
  if (flash.isArray()) {
    for (const Json::Value& range : flash) {
      if (!range.isObject()) {
        out.malformed = true;
        continue;
      }
      UploadRange r;
      r.addr = static_cast<uint32_t>(IntMember(range, "addr", 0, UINT32_MAX, out.malformed));
      r.size = static_cast<uint32_t>(IntMember(range, "size", 0, UINT32_MAX, out.malformed));
      out.flash.push_back(r);
    }
  } else if (!flash.isNull()) {
    out.malformed = true;
  }
  return out;
}

UploadPhase ParseUploadPhase(std::string_view body) {
  UploadPhase phase;
  Json::Value root;
  if (!ParseReply(body, root) || !root.isObject()) {
    phase.malformed = true;
    return phase;
  }
  const Json::Value& response = root["response"];
  if (response.isNull()) return phase;
  if (!response.isObject()) {
    phase.malformed = true;
    return phase;
  }
  phase.tknum = static_cast<int>(IntMember(response, "tknum", INT32_MIN, INT32_MAX, phase.malformed));
  phase.total = IntMember(response, "total", INT64_MIN, INT64_MAX, phase.malformed);
  const Json::Value& spi = response["spi"];
  if (spi.isArray()) {
    for (const Json::Value& step : spi) phase.spi.push_back(ParseUploadStep(step));
  } else if (!spi.isNull()) {
    phase.malformed = true;
  }
  return phase;
}

std::string CheckUploadStep(const UploadStep& step) {
  if (step.malformed) return "malformed step";
  if (step.cb_send > kMaxStepBytes) return "buffer too large";
  int64_t filled = 0;
  for (const UploadRange& r : step.flash) {
    if (r.size > kUploadBlockSize) return "range larger than one block";
    filled += r.size;
  }
  if (filled > step.cb_send) return "ranges overflow the buffer";
  return {};
}

bool FillStepBuffer(const UploadStep& step, const BlockReader& read, const RangeStarted& started,
                    std::vector<uint8_t>& buffer) {
  buffer.assign(static_cast<size_t>(step.cb_send), 0);
  size_t fill = 0;
  for (const UploadRange& r : step.flash) {
    if (started) started(r.size);
    // CheckUploadStep has made sure every range fits; this guards direct callers.
    if (fill + r.size > buffer.size()) return false;
    if (r.size > 0 && !read(r.addr, buffer.data() + fill, r.size)) return false;
    fill += r.size;
  }
  return true;
}

std::string ProgressDetail(int started, int count, int64_t read, int64_t total) {
  char text[96];
  std::snprintf(text, sizeof text, "%d/%d %lld/%lld", started, count, static_cast<long long>(read),
                static_cast<long long>(total));
  return text;
}

int ProgressPercent(int64_t read, int64_t total) {
  if (total <= 0 || read <= 0) return 0;
  return static_cast<int>(std::min<int64_t>(100, read * 100 / total));
}

}  // namespace orv
