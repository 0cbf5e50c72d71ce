#include "transfer/upload_relay.h"

#include <chrono>
#include <thread>

#include "app/message_keys.h"
#include "app/string_table.h"
#include "cloud/json_read.h"
#include "cloud/reply_check.h"

namespace orv {

void UploadRelay::Status(const std::string& key) { sink_.SetMessageText(Tr(key)); }

void UploadRelay::ShowProgress() {
  sink_.SetDetailText(ProgressDetail(steps_started_, step_count_, bytes_read_, byte_total_));
  sink_.SetProgress(ProgressPercent(bytes_read_, byte_total_));
}

void UploadRelay::Fail(const Failure& failure) {
  // The check of a phase's result follows a failure inside the phase; its
  // empty result would add a second, misleading HOST_NOT_CONN after the
  // message that named the cause.
  if (outcome_.first_failure) return;
  outcome_.first_failure = failure;
  // Modal to the worker: we wait here until the diver closes it.
  sink_.ShowMessage(Tr(failure.key()));
}

bool UploadRelay::Check(const std::string& body, bool device_ok) {
  const Reply checked = UploadReplyCheck(body, device_ok);
  if (checked.ok()) return true;
  Fail(checked.failure());
  return false;
}

void UploadRelay::NoteAddedDive(const std::string& reply) {
  ++outcome_.dives_added;
  const Reply checked = UploadReplyCheck(reply, true);
  const std::string id = checked.ok() ? JsonText(*checked, "divelog_id") : std::string();
  if (!id.empty()) outcome_.last_dive_id = id;
}

UploadRelay::StepResult UploadRelay::RunStep(const UploadStep& step) {
  StepResult result;
  if (!CheckUploadStep(step).empty()) {
    // The service asked for something no dive computer can answer (a range
    // beyond one block, more bytes than the buffer holds, a broken member).
    // Reading would overrun the buffer, so nothing is read or posted.
    result.refused = true;
    return result;
  }
  Status(KeyOf(Msg::ReadingLog));
  std::vector<uint8_t> buffer;
  bool read_ok = FillStepBuffer(
      step, link_.read_block,
      [this](uint32_t size) {
        bytes_read_ += size;
        ShowProgress();
      },
      buffer);
  if (!read_ok) {
    result.device_ok = false;
    return result;
  }
  Status(KeyOf(Msg::UploaingLog));
  std::string bytes(buffer.begin(), buffer.end());
  result.reply = link_.send(UploadStepEndpoint(step.command, link_.model, std::move(bytes), link_.firmware_version));
  ++outcome_.steps_posted;
  return result;
}

// Phase: with tknum 0 the reply passes through unchanged; otherwise each step
// runs in order and the phase's result is the reply to the last post, the
// reply that failed its check, or empty.
std::string UploadRelay::RunPhase(const std::string& reply) {
  UploadPhase phase = ParseUploadPhase(reply);
  step_count_ = phase.tknum;
  steps_started_ = 0;
  byte_total_ = phase.total;
  bytes_read_ = 0;
  if (phase.malformed) {
    // Members of the wrong type: the reply cannot be followed.
    Fail(Msg::HostError);
    return {};
  }
  if (step_count_ == 0) return reply;
  std::string result;
  for (const UploadStep& step : phase.spi) {
    ++steps_started_;
    ShowProgress();
    result.clear();
    StepResult step_result = RunStep(step);
    if (step_result.refused) {
      Fail(Msg::HostError);
      return {};
    }
    result = std::move(step_result.reply);
    if (!Check(result, step_result.device_ok)) break;
    if (step.command == "addDivelogs") NoteAddedDive(result);
  }
  return result;
}

UploadOutcome UploadRelay::Run(int complete_pause_ms) {
  outcome_ = {};
  sink_.WaitReady();
  Status(KeyOf(Msg::PreparingUpload));
  std::string header = link_.send(HeaderInfoEndpoint(link_.model, link_.firmware_version));
  if (!Check(header, true)) return outcome_;

  Status(KeyOf(Msg::AnalyzingUpload));
  std::string analysed = RunPhase(header);
  if (!Check(analysed, true)) return outcome_;

  Status(KeyOf(Msg::ReadUpload));
  std::string read = RunPhase(analysed);
  if (!Check(read, true)) return outcome_;

  Status(KeyOf(Msg::CompleteUpload));
  outcome_.complete = true;
  if (complete_pause_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(complete_pause_ms));
  return outcome_;
}

}  // namespace orv
