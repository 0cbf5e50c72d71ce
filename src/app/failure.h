// How an operation ends when it does not succeed: one typed value whose
// message key is derived from its kind, with what became of the transfer (so
// a caller tells a stop from a fault without comparing texts) and a detail
// for logs and the command line. Result<T> carries a value or a Failure.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "app/message_keys.h"

namespace orv {

// What became of one transfer.
enum class TransferOutcome {
  Complete,      // the whole reply arrived
  NotConnected,  // Request on an HttpPost that was never connected
  Failed,        // no answer: refused, unreachable, TLS refused, dropped
  Cut,           // the answer stopped short: time limit, stall, a short body
  TooLarge,      // the answer passed its size bound and was abandoned
  Stopped,       // Cancel or a stop request ended it
  ErrorStatus,   // downloads only: a status outside 2xx
  LocalFile,     // downloads only: the local file could not be written
};

struct Failure {
  Msg kind = Msg::None;
  TransferOutcome transfer = TransferOutcome::Complete;
  std::string detail;

  Failure() = default;
  Failure(Msg k, TransferOutcome t = TransferOutcome::Complete, std::string d = {})  // NOLINT: a kind is a failure
      : kind(k), transfer(t), detail(std::move(d)) {}

  bool failed() const { return kind != Msg::None; }
  explicit operator bool() const { return failed(); }
  // The message key shown for it; empty when nothing failed.
  const std::string& key() const { return KeyOf(kind); }
  // The service could not be reached (as opposed to answering with a fault).
  bool unreachable() const { return kind == Msg::HostNotConn || kind == Msg::NoInternet; }
  // Offline: the saved copy lacks what was asked for.
  bool not_saved() const {
    return kind == Msg::NotSavedMonth || kind == Msg::NotSavedDay || kind == Msg::NotSavedLog ||
           kind == Msg::NotSavedStats;
  }
  // The diver or the program stopped it; nothing to tell.
  bool stopped() const { return transfer == TransferOutcome::Stopped || kind == Msg::SyncStopped; }
  friend bool operator==(const Failure& a, Msg b) { return a.kind == b; }
};

// A value, or the Failure that kept it from being made.
template <class T>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}              // NOLINT: a value is a success
  Result(Failure failure) : failure_(std::move(failure)) {}  // NOLINT: a failure is a result
  Result(Msg kind) : failure_(kind) {}                       // NOLINT

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  // The value; throws std::bad_optional_access when there is none.
  const T& value() const { return value_.value(); }
  T value_or(T fallback) const { return value_ ? *value_ : std::move(fallback); }
  const Failure& failure() const { return failure_; }
  // The failure's message key; empty on success.
  const std::string& key() const { return failure_.key(); }

 private:
  std::optional<T> value_;
  Failure failure_;
};

}  // namespace orv
