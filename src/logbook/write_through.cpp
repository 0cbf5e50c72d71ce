#include "logbook/write_through.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include <json/writer.h>

#include "cloud/json_read.h"
#include "logbook/copy_place.h"

namespace orv {

namespace {

std::atomic<int> diver_requests{0};
std::mutex copy_mutex;
std::shared_ptr<SavedCopy> active_copy;
bool reading_copy = false;

void Install(std::unique_ptr<SavedCopy> copy, bool reading) {
  std::lock_guard<std::mutex> lock(copy_mutex);
  active_copy = std::move(copy);
  reading_copy = reading && active_copy;
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> PercentDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size() || HexValue(text[i + 1]) < 0 || HexValue(text[i + 2]) < 0) return std::nullopt;
    out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
    i += 2;
  }
  return out;
}

bool StartsWith(const std::string& text, const char* prefix, std::string& rest) {
  const std::string p(prefix);
  if (text.compare(0, p.size(), p) != 0) return false;
  rest = text.substr(p.size());
  return true;
}

}  // namespace

std::string OpenSavedCopyOnline(const SavedAccount& account) {
  CloseSavedCopy();
  // Without an e-mail there is no account to name a copy after.
  if (account.email.find_first_not_of(" \t\r\n") == std::string::npos) return {};
  if (SavedCopyFolder(true).empty()) return "SAVED_COPY_WRITE";
  std::string key;
  std::unique_ptr<SavedCopy> copy = SavedCopy::Open(SavedCopyPath(account.email), true, key);
  if (!copy) return key;
  if (std::string write_key = copy->SetAccount(account); !write_key.empty() && key.empty()) key = write_key;
  Install(std::move(copy), false);
  return key;
}

std::string OpenSavedCopyOffline(const std::string& email, SavedAccount& account) {
  CloseSavedCopy();
  if (!SavedCopyExists(email)) return "NO_SAVED_COPY";
  std::string key;
  // Not created: an offline look must never leave an empty copy behind. A
  // damaged one is still moved aside, so the next sign-in starts afresh.
  std::unique_ptr<SavedCopy> copy = SavedCopy::Open(SavedCopyPath(email), false, key);
  if (!copy) return key;
  std::optional<SavedAccount> saved = copy->Account();
  if (!saved) return "NO_SAVED_COPY";
  account = *saved;
  Install(std::move(copy), true);
  return {};
}

void CloseSavedCopy() { Install(nullptr, false); }

bool ReadingSavedCopy() {
  std::lock_guard<std::mutex> lock(copy_mutex);
  return reading_copy;
}

std::shared_ptr<SavedCopy> ActiveSavedCopy() {
  std::lock_guard<std::mutex> lock(copy_mutex);
  return active_copy;
}

std::optional<SavedItem> SavedItemOf(const Endpoint& endpoint) {
  if (endpoint.verb != "GET") return std::nullopt;
  const std::string& path = endpoint.path;
  std::string rest;
  // Each form is rebuilt from what was read and compared with the request,
  // so only the program's own paths are recognised, never a look-alike.
  if (StartsWith(path, "api/v1/divelogs/calendar/month?year_month=", rest) && rest.size() >= 6 && AllDigits(rest)) {
    const int64_t v = std::stoll(rest.substr(rest.size() > 12 ? rest.size() - 12 : 0));
    if (CalendarMonthEndpoint(static_cast<int>(v / 100), static_cast<int>(v % 100)).path == path)
      return SavedItem{SavedKind::Month, rest};
  } else if (StartsWith(path, "api/v1/divelogs/calendar/date?year_month_date=", rest) && rest.size() >= 8 &&
             AllDigits(rest)) {
    const int64_t v = std::stoll(rest.substr(rest.size() > 14 ? rest.size() - 14 : 0));
    if (CalendarDateEndpoint(static_cast<int>(v / 10000), static_cast<int>(v / 100 % 100), static_cast<int>(v % 100))
            .path == path)
      return SavedItem{SavedKind::Day, rest};
  } else if (StartsWith(path, "api/v1/divelogs/divelog/", rest)) {
    if (std::optional<std::string> id = PercentDecode(rest); id && !id->empty() && DiveLogEndpoint(*id).path == path)
      return SavedItem{SavedKind::Dive, *id};
  } else if (StartsWith(path, "api/v1/users/", rest) && rest.size() > 11 &&
             rest.compare(rest.size() - 11, 11, "/statistics") == 0) {
    if (std::optional<std::string> id = PercentDecode(rest.substr(0, rest.size() - 11));
        id && StatisticsEndpoint(*id).path == path)
      return SavedItem{SavedKind::Statistics, *id};
  }
  return std::nullopt;
}

std::string CompactJson(const Json::Value& value) {
  // One writer per thread: building one costs more than writing a day list.
  thread_local const std::unique_ptr<Json::StreamWriter> writer = [] {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    // Doubles with every digit they need, so a value read back is the value
    // the service sent, bit for bit.
    builder["precision"] = 17;
    return std::unique_ptr<Json::StreamWriter>(builder.newStreamWriter());
  }();
  std::ostringstream out;
  writer->write(value, &out);
  return std::move(out).str();
}

std::optional<SavedWrite> WriteOf(const Endpoint& endpoint, const Json::Value& response) {
  std::optional<SavedItem> item = SavedItemOf(endpoint);
  if (!item) return std::nullopt;
  if (item->kind != SavedKind::Dive) return SavedWrite{*item, CompactJson(response), {}};
  const Json::Value& record = JsonMember(response, "divelog");
  if (!record.isObject()) return std::nullopt;
  return SavedWrite{*item, CompactJson(record), {}, SummarizeDive(item->key, record)};
}

void SaveReply(const Endpoint& endpoint, const Json::Value& response) {
  if (ReadingSavedCopy()) return;
  std::shared_ptr<SavedCopy> copy = ActiveSavedCopy();
  if (!copy) return;
  if (std::optional<SavedWrite> write = WriteOf(endpoint, response)) copy->Commit({*write}, std::time(nullptr));
}

void SaveStoredDive(const Json::Value& divelog) {
  const std::string id = JsonText(divelog, "divelog_id");
  std::shared_ptr<SavedCopy> copy = ActiveSavedCopy();
  if (id.empty() || !copy || ReadingSavedCopy()) return;
  copy->Commit({SavedWrite{SavedItem{SavedKind::Dive, id}, CompactJson(divelog), {}, SummarizeDive(id, divelog)}},
               std::time(nullptr));
}

std::string NotSavedKey(SavedKind kind) {
  switch (kind) {
    case SavedKind::Month:
      return "NOT_SAVED_MONTH";
    case SavedKind::Day:
      return "NOT_SAVED_DAY";
    case SavedKind::Dive:
      return "NOT_SAVED_LOG";
    case SavedKind::Statistics:
      return "NOT_SAVED_STATS";
  }
  return "NOT_SAVED_MONTH";
}

SavedAnswer SavedReply(const Endpoint& endpoint) {
  std::optional<SavedItem> item = SavedItemOf(endpoint);
  if (!item) return {std::nullopt, "NEEDS_SERVICE"};
  std::shared_ptr<SavedCopy> copy = ActiveSavedCopy();
  std::optional<std::string> json = copy ? copy->Read(*item) : std::nullopt;
  if (!json) return {std::nullopt, NotSavedKey(item->kind)};
  const std::string response = item->kind == SavedKind::Dive ? "{\"divelog\":" + *json + "}" : *json;
  return {"{\"code\":\"0000000\",\"response\":" + response + "}", {}};
}

DiverRequestScope::DiverRequestScope() { ++diver_requests; }
DiverRequestScope::~DiverRequestScope() { --diver_requests; }

void WaitForDiverRequests() {
  // Polled: the diver's requests are few and short, and the walk waits
  // between its own requests only.
  while (diver_requests.load() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

}  // namespace orv
