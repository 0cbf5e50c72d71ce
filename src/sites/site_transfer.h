// Moving the three lists to and from the dive computer's dive-site blocks:
// 0x109000 scuba, 0x10A000 freedive, 0x10B000 gauge, each 4096 bytes of 64
// slots of 64 bytes; a slot whose type byte is 0xFF is empty.
//
// Both operations run on the calling thread with their confirmations and
// messages through the dialogs (AskYesNo / ShowMessage), open the port for
// the operation alone, and end with the end command (unless the device did
// not identify) and the port closed.
#pragma once

#include <string>

#include "app/message_keys.h"
#include "app/string_table.h"
#include "device/usb.h"
#include "sites/site_block.h"
#include "sites/site_lists.h"

namespace orv::sites {

// What an operation ended with: the key of the message shown last (for
// nothing to send, UNABLE_TO_WRITE); empty when the diver declined.
struct TransferResult {
  MessageKey key;
  bool ok() const { return key == KeyOf(Msg::DiveSiteWrited) || key == KeyOf(Msg::DiveSiteReaded); }
};

// Writes the block of every list that holds a site. The block of an empty
// list is not written and keeps whatever the dive computer held there.
TransferResult SendSitesToDevice(const DiveSiteLists& model, device::Deadlines deadlines = {});
// Reads the three blocks and, once all three have arrived intact, replaces
// the lists with them; any failure leaves the lists as they were.
TransferResult ReadSitesFromDevice(DiveSiteLists& model, device::Deadlines deadlines = {});

}  // namespace orv::sites
