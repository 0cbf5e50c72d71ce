// The worker side of the log upload: the header request, the two phases of
// steps the service hands out, and the status texts, run behind the progress
// dialog. The device and the connection come in as two functions so the relay
// runs the same against the real dive computer and in unit tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/dialogs.h"
#include "app/failure.h"
#include "cloud/endpoints.h"
#include "transfer/upload_steps.h"

namespace orv {

struct UploadLink {
  std::string model;         // as identified; "Q7" when the device named none
  int firmware_version = 0;  // FirmwareVersionNumber of the identified version
  BlockReader read_block;    // the device's ReadBlock
  // Sends one request on the worker's connection and returns the reply body.
  std::function<std::string(const Endpoint&)> send;
};

// What a run did, for the caller's logs and the tests.
struct UploadOutcome {
  bool complete = false;  // reached COMPLETE_UPLOAD
  int steps_posted = 0;
  int dives_added = 0;       // "addDivelogs" posts the service accepted
  std::string last_dive_id;  // the `divelog_id` its last acceptance named
  Failure first_failure;     // the one failure shown, none when none
};

class UploadRelay {
 public:
  UploadRelay(UploadLink link, ProgressSink& sink) : link_(std::move(link)), sink_(sink) {}

  // Worker steps 2 to 6: wait for the dialog, header request, analysing and
  // reading phases, completion text. Failures are shown through the sink's
  // message dialog; the caller sends the end command and ends the dialog.
  // `complete_pause_ms` is how long the completion text stays up.
  UploadOutcome Run(int complete_pause_ms = 2000);

  // One phase on a reply text; returns its result text (see upload_relay.cpp).
  std::string RunPhase(const std::string& reply);

 private:
  // Outcome of one step: whether the device part succeeded, and the reply to
  // the post when one was made.
  struct StepResult {
    bool device_ok = true;
    bool refused = false;  // the service's step was impossible; nothing was read
    std::string reply;
  };
  StepResult RunStep(const UploadStep& step);
  // The upload reply check; shows the message on failure.
  bool Check(const std::string& body, bool device_ok);
  void Status(const std::string& key);
  void ShowProgress();
  void Fail(const Failure& failure);
  void NoteAddedDive(const std::string& reply);

  UploadLink link_;
  ProgressSink& sink_;
  UploadOutcome outcome_;
  // Counters of the current phase.
  int step_count_ = 0;
  int steps_started_ = 0;
  int64_t byte_total_ = 0;
  int64_t bytes_read_ = 0;
};

}  // namespace orv
