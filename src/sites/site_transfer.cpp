#include "sites/site_transfer.h"

#include <optional>

#include "app/dialogs.h"
#include "app/message_keys.h"
#include "device/device_identity.h"
#include "device/device_session.h"

namespace orv::sites {

namespace {

TransferResult Show(const MessageKey& key) {
  ShowMessage(Tr(key));
  return {key};
}

// Opens the port and identifies the device; the key to show when either
// fails, with the port already closed and nothing sent after the identify.
std::optional<MessageKey> OpenIdentified(device::DeviceSession& session) {
  if (!session.Open()) return MessageKey(KeyOf(session.open_failure()));
  if (device::IdentifyDevice(session.usb())) return std::nullopt;
  session.Close();
  return MessageKey(KeyOf(Msg::NotSupporDevice));
}

}  // namespace

TransferResult SendSitesToDevice(const DiveSiteLists& model, device::Deadlines deadlines) {
  if (model.empty()) {
    ShowMessage(Tr(KeyOf(Msg::UnableToWrite)), Tr(KeyOf(Msg::NoDiveSite)));
    return {KeyOf(Msg::UnableToWrite)};
  }
  if (!AskYesNo(Tr(KeyOf(Msg::SureSendDs)))) return {};

  device::DeviceSession session(deadlines);
  if (auto failed = OpenIdentified(session)) return Show(*failed);
  TransferResult result{KeyOf(Msg::DiveSiteWrited)};
  for (int code = 0; code < kTypeCount; ++code) {
    // An empty list leaves its block as the device holds it: a file of
    // scuba sites alone must not wipe the freedive and gauge sites.
    if (model.list(code).empty()) continue;
    const SiteBlock block = EncodeSiteBlock(model.list(code));
    if (!session.usb().WriteBlock(kSiteBlockAddress[code], block.data())) {
      result.key = KeyOf(Msg::UsbError);  // later blocks are not attempted
      break;
    }
  }
  // The end command follows the diver's closing of the message.
  ShowMessage(Tr(result.key));
  session.usb().SendEnd();
  session.Close();
  return result;
}

TransferResult ReadSitesFromDevice(DiveSiteLists& model, device::Deadlines deadlines) {
  if (!AskYesNo(Tr(KeyOf(Msg::SureReadDs)))) return {};

  device::DeviceSession session(deadlines);
  if (auto failed = OpenIdentified(session)) return Show(*failed);
  std::array<SiteBlock, kTypeCount> blocks;
  TransferResult result{KeyOf(Msg::DiveSiteReaded)};
  for (int code = 0; code < kTypeCount; ++code) {
    SiteBlock& block = blocks[static_cast<size_t>(code)];
    block.fill(0xFF);
    if (!session.usb().ReadBlock(kSiteBlockAddress[code], block.data(), kSiteBlockBytes)) {
      result.key = KeyOf(Msg::UsbError);
      break;
    }
  }
  if (result.ok()) {
    SiteLists lists;
    for (int code = 0; code < kTypeCount; ++code) {
      lists[static_cast<size_t>(code)] = DecodeSiteBlock(blocks[static_cast<size_t>(code)]);
    }
    model.ReplaceAll(std::move(lists));
  }
  ShowMessage(Tr(result.key));
  session.usb().SendEnd();
  session.Close();
  return result;
}

}  // namespace orv::sites
