// The worker of both updates: fetches the files of the information, checks
// them, writes them into the dive computer block by block behind the
// progress dialog, and always ends with the end command.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/message_keys.h"
#include "app/string_table.h"
#include "device/usb.h"
#include "transfer/update_info.h"

namespace orv::transfer {

struct UpdateJob {
  UpdateKind kind = kFirmwareUpdate;
  std::vector<UpdateFile> files;
  std::string folder;  // where the local copies go, ending with '/'
  // How long the last status stays on screen before the dialog closes.
  std::chrono::milliseconds ending_pause{2000};
};

// Runs the whole update on the calling (worker) thread and returns the key
// of the last status shown: UPDATE_COMPLETE, UNABLE_GET_FILE,
// FILE_ERROR or USB_ERROR.
//
// Every file is fetched and checked before the first block goes out, so a
// file that cannot be had never leaves the device with half an update; a
// file's tail shorter than a block is merged into the block the device
// holds there (read, overlay, write), so every byte of every file arrives
// and every byte after a file keeps what it was. The finish
// command follows only a complete write; the end command is sent in every
// case, before the dialog is ended.
MessageKey RunUpdateWorker(const UpdateJob& job, device::Usb& usb, ProgressSink& sink);

}  // namespace orv::transfer
