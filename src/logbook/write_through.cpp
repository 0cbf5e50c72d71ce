#include "logbook/write_through.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include <json/writer.h>

#include "app/cancellable.h"
#include "app/message_keys.h"
#include "cloud/json_read.h"
#include "logbook/copy_place.h"
#include "logbook/simd_log.h"

namespace orv {

namespace {

// The diver's requests now running; a yielding walk waits on `diver_done`.
std::mutex diver_mutex;
std::condition_variable diver_done;
int diver_requests = 0;
std::mutex copy_mutex;
std::shared_ptr<SavedCopy> active_copy;
bool reading_copy = false;

void Install(std::unique_ptr<SavedCopy> copy, bool reading) {
  std::lock_guard<std::mutex> lock(copy_mutex);
  active_copy = std::move(copy);
  reading_copy = reading && active_copy;
}

}  // namespace

Failure OpenSavedCopyOnline(const SavedAccount& account) {
  CloseSavedCopy();
  // Without an e-mail there is no account to name a copy after.
  if (account.email.find_first_not_of(" \t\r\n") == std::string::npos) return {};
  if (SavedCopyFolder(true).empty()) return Msg::SavedCopyWrite;
  Result<std::unique_ptr<SavedCopy>> copy = SavedCopy::Open(SavedCopyPath(account.email), true);
  if (!copy) return copy.failure();
  Failure failure = (*copy)->broken_aside().empty() ? Failure() : Failure(Msg::SavedCopyBroken);
  if (Failure write = (*copy)->SetAccount(account); write && !failure) failure = write;
  Install(std::move(*copy), false);
  return failure;
}

Failure OpenSavedCopyOffline(const std::string& email, SavedAccount& account) {
  CloseSavedCopy();
  if (!SavedCopyExists(email)) return Msg::NoSavedCopy;
  // Not created: an offline look must never leave an empty copy behind. A
  // damaged one is still moved aside, so the next sign-in starts afresh.
  Result<std::unique_ptr<SavedCopy>> copy = SavedCopy::Open(SavedCopyPath(email), false);
  if (!copy) return copy.failure();
  std::optional<SavedAccount> saved = (*copy)->Account();
  if (!saved) return Msg::NoSavedCopy;
  account = *saved;
  Install(std::move(*copy), true);
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

std::optional<SavedItem> SavedItemOf(const Endpoint& endpoint) { return endpoint.saved; }

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

std::optional<SavedWrite> RecordWriteOf(const Endpoint& endpoint, const SimdLog& record) {
  std::optional<SavedItem> item = SavedItemOf(endpoint);
  if (!item || item->kind != SavedKind::Dive || !record.IsObject()) return std::nullopt;
  return SavedWrite{*item, record.Minified(), {}, SummarizeDive(item->key, record)};
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

Msg NotSavedKey(SavedKind kind) {
  // In SavedKind order.
  constexpr Msg kNotSaved[] = {Msg::NotSavedMonth, Msg::NotSavedDay, Msg::NotSavedLog, Msg::NotSavedStats};
  return kNotSaved[static_cast<int>(kind)];
}

Result<std::string> SavedReply(const Endpoint& endpoint) {
  std::optional<SavedItem> item = SavedItemOf(endpoint);
  if (!item) return Msg::NeedsService;
  std::shared_ptr<SavedCopy> copy = ActiveSavedCopy();
  std::optional<std::string> json = copy ? copy->Read(*item) : std::nullopt;
  if (!json) return copy && copy->damaged() ? Failure(Msg::SavedCopyBroken) : Failure(NotSavedKey(item->kind));
  const std::string response = item->kind == SavedKind::Dive ? "{\"divelog\":" + *json + "}" : *json;
  return "{\"code\":\"0000000\",\"response\":" + response + "}";
}

DiverRequestScope::DiverRequestScope() {
  std::lock_guard<std::mutex> lock(diver_mutex);
  ++diver_requests;
}

DiverRequestScope::~DiverRequestScope() {
  {
    std::lock_guard<std::mutex> lock(diver_mutex);
    --diver_requests;
  }
  diver_done.notify_all();
}

bool DiverRequestRunning() {
  std::lock_guard<std::mutex> lock(diver_mutex);
  return diver_requests > 0;
}

void WaitForDiverRequests() {
  // Woken by the last diver's request ending, or by a stop of the waiting
  // operation, which must not sit behind a slow screen.
  Cancellable& operation = Cancellable::Current();
  const int wake = operation.Connect([] {
    std::lock_guard<std::mutex> lock(diver_mutex);
    diver_done.notify_all();
  });
  {
    std::unique_lock<std::mutex> lock(diver_mutex);
    diver_done.wait(lock, [&] { return diver_requests == 0 || operation.IsCancelled(); });
  }
  operation.Disconnect(wake);
}

}  // namespace orv
