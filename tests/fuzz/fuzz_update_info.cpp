// Update information from arbitrary bytes, as the firmware and the dive-site
// update read it: every listed file carries exactly the address and size the
// text gave, the firmware information agrees with the plain file list, and
// the texts built from it stay valid and bounded.
#include <string>

#include <json/value.h>

#include "cloud/json_read.h"
#include "fuzz_check.h"
#include "transfer/update_info.h"

using namespace orv::transfer;

namespace {

// The program's own reading of outside JSON, so the checks below see what
// the update saw.
bool Parse(const std::string& text, Json::Value& root) {
  return orv::ParseOutsideJson(text, root, orv::JsonStrictness::Lenient);
}

// A listed file matches its entry: a number the entry did not hold exactly
// would send bytes somewhere the service never meant.
void CheckFiles(const std::string& info, const UpdateKind& kind) {
  const auto files = ParseUpdateFiles(info, kind.list_member);
  if (!files) return;
  Json::Value parsed;
  FUZZ_CHECK(Parse(info, parsed));
  const Json::Value& root = parsed;
  const Json::Value& list = root["response"][kind.list_member];
  FUZZ_CHECK(list.isArray() && list.size() == files->size());
  for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
    const UpdateFile& f = (*files)[i];
    for (const auto& [name, value] : {std::pair{"address", f.address}, std::pair{"size", f.size}}) {
      const Json::Value& v = list[i][name];
      FUZZ_CHECK(v.isNull() ? value == 0 : (v.isUInt64() && v.asUInt64() == value));
    }
    const std::string local = LocalName(kind, f);
    FUZZ_CHECK(local.find('/') == std::string::npos && local.size() < 32);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string info(fuzz::AsText(data, size));
  CheckFiles(info, kFirmwareUpdate);
  CheckFiles(info, kDiveSiteUpdate);

  if (const auto firmware = ParseFirmwareInfo(info)) {
    FUZZ_CHECK(info.size() > kMinFirmwareInfoBytes);
    FUZZ_CHECK(firmware->offered_version.size() >= 2 && firmware->offered_version[1] == '.');
    const auto files = ParseUpdateFiles(info, kFirmwareUpdate.list_member);
    FUZZ_CHECK(files && files->size() == firmware->files.size());
    // The texts the update shows: valid in, valid and bounded out.
    const std::string format = info.substr(0, 200);
    const std::string shown = FormatTwoTexts(format, firmware->offered_version, firmware->release_note);
    if (fuzz::IsValidUtf8(format) && fuzz::IsValidUtf8(info) && fuzz::IsValidUtf8(firmware->release_note))
      FUZZ_CHECK(fuzz::IsValidUtf8(shown));
  }

  // The text split in three as a format and its two values.
  const size_t a = size / 3, b = 2 * size / 3;
  const std::string shown = FormatTwoTexts(info.substr(0, a), info.substr(a, b - a), info.substr(b));
  FUZZ_CHECK(shown.size() <= 4096 * 4);
  if (fuzz::IsValidUtf8(info.substr(0, a)) && fuzz::IsValidUtf8(info.substr(a, b - a)) &&
      fuzz::IsValidUtf8(info.substr(b)))
    FUZZ_CHECK(fuzz::IsValidUtf8(shown));
  return 0;
}
