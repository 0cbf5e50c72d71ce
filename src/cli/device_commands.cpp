// orvelle-cli's device commands: identify the dive computer, dump its memory.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <vector>

#include "app/app_state.h"
#include "app/cancellable.h"
#include "app/message_keys.h"
#include "app/safe_file.h"
#include "app/stop_request.h"
#include "cli/cli.h"
#include "cli/progress_line.h"
#include "device/device_identity.h"
#include "device/device_port.h"
#include "device/device_session.h"

namespace orv::cli {

namespace {

using namespace orv::device;

// Decimal or 0x-hex, within 32 bits.
bool ParseU32(const std::string& text, uint32_t& out) {
  if (text.empty() || text[0] == '-' || text[0] == '+') return false;
  char* end = nullptr;
  errno = 0;
  unsigned long long v = std::strtoull(text.c_str(), &end, text.rfind("0x", 0) == 0 ? 16 : 10);
  if (errno || *end || v > UINT32_MAX) return false;
  out = static_cast<uint32_t>(v);
  return true;
}

// A dump past the end of the dive computer's memory is a mistake in the
// command line, found before anything is allocated or opened.
constexpr uint64_t kDeviceMemoryBytes = device::kMemoryBytes;

// Opens the port and identifies the device, as every device operation
// begins. Returns 0 with the session ready, else the exit code.
int Begin(const Options& options, DeviceSession& session) {
  SetDevicePathOverride(options.device);
  if (!session.Open()) return Fail(session.open_failure());
  if (!IdentifyDevice(session.usb())) return Fail(KeyOf(Msg::NotSupporDevice));
  return 0;
}

int Identify(const Options& options, const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError("identify takes no arguments");
  StopSignalScope stop_signals;
  DeviceSession session;
  if (int rc = Begin(options, session)) return rc;
  EndGuard end(session.usb());
  const AppState& s = State();
  std::cout << s.firmware_version << "\t" << s.device_identity << "\t" << s.model << std::endl;
  return 0;
}

int Dump(const Options& options, const std::vector<std::string>& args) {
  uint32_t address = 0, size = 0;
  if (args.size() != 3 || !ParseU32(args[0], address) || !ParseU32(args[1], size))
    return UsageError("dump ADDR SIZE FILE (ADDR and SIZE decimal or 0x-hex)");
  if (uint64_t{address} + size > kDeviceMemoryBytes)
    return UsageError("dump range passes the end of device memory (0x1000000)");
  StopSignalScope stop_signals;
  std::vector<uint8_t> bytes(size);

  DeviceSession session;
  if (int rc = Begin(options, session)) return rc;
  bool read = true;
  {
    EndGuard end(session.usb());
    // A dump of the whole memory takes minutes; on a terminal the bytes read
    // so far show on one line (a log gets the result only).
    ProgressLine line(std::cerr);
    for (uint32_t done = 0; done < size;) {
      uint32_t chunk = std::min<uint32_t>(size - done, kBlockSize);
      if (!session.usb().ReadBlock(address + done, bytes.data() + done, chunk)) {
        read = false;
        break;
      }
      done += chunk;
      if (line.terminal())
        line.Update("", std::to_string(done) + "/" + std::to_string(size) + " bytes",
                    ProgressLine::Percent(done, size));
    }
  }
  if (!read) return Fail(KeyOf(Msg::UsbError));  // below the progress line, which has ended
  session.Close();
  if (ProgramStop().IsCancelled()) return 1;

  // Into a side file first: a failed dump never leaves a half file that
  // looks like a good one.
  ReplacingFile out(args[2], ".part");
  if (!out.ok() || !out.Write(bytes.data(), bytes.size())) return FailWrite(out.error());
  if (ProgramStop().IsCancelled()) return 1;  // stopped while writing: the .part goes with `out`
  if (!out.Commit()) return FailWrite(out.error());
  return 0;
}

}  // namespace

std::vector<Command> DeviceCommands() {
  return {
      {"identify", "", "print FIRMWARE<TAB>IDENTITY<TAB>MODEL of the dive computer", Identify},
      {"dump", "ADDR SIZE FILE", "read SIZE bytes of device memory from ADDR into FILE", Dump},
  };
}

}  // namespace orv::cli
