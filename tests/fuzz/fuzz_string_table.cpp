// The language table from arbitrary bytes, the lookups of every key it
// holds in both languages, and the UTF-8/UTF-16 conversions on the raw bytes.
#include <memory>
#include <string>

#include <json/reader.h>
#include <json/value.h>

#include "app/string_table.h"
#include "fuzz_check.h"

using namespace orv;

namespace {

void CheckConversions(std::string_view bytes) {
  const std::u16string wide = Utf8ToUtf16(bytes);
  const std::string back = Utf16ToUtf8(wide);
  // Whatever came in, what goes to pages and terminals is valid UTF-8 (a
  // zero code unit, which overlong input can produce, is still UTF-8).
  FUZZ_CHECK(fuzz::IsValidUtf8(back));
  FUZZ_CHECK(wide.size() <= bytes.size());
  // Valid UTF-8 comes back byte for byte, up to a zero byte and without a
  // leading byte-order mark.
  std::string_view text = bytes.substr(0, bytes.find('\0'));
  // An ASCII byte is never part of a malformed sequence: each one comes
  // through, whatever stands around it.
  auto ascii = [](auto units) {
    size_t count = 0;
    for (auto u : units) count += static_cast<unsigned>(u) < 0x80 && u != '?';
    return count;
  };
  FUZZ_CHECK(ascii(text) == ascii(wide));
  if (fuzz::IsValidUtf8(text)) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    FUZZ_CHECK(back == text);
  }
}

void CheckLookups(const StringTable& table, const Json::Value& parsed) {
  int budget = 64;
  for (const char* lang : {"ENG", "CHT"}) {
    LanguageCode = lang;
    for (const std::string& key : parsed.getMemberNames()) {
      if (--budget < 0) return;
      const std::u16string text = table.Text(key);
      const std::string utf8 = table.Utf8(key);
      FUZZ_CHECK(utf8 == Utf16ToUtf8(text) && fuzz::IsValidUtf8(utf8));
      const Json::Value& entry = parsed[key];
      const Json::Value* value = entry.isObject() ? entry.find(lang, lang + 3) : nullptr;
      if (!value || !value->isString())
        FUZZ_CHECK(text.empty());
      else
        FUZZ_CHECK(text == Utf8ToUtf16(value->asString()));
    }
  }
  FUZZ_CHECK(table.Text("\x01no such key").empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::AsText(data, size);
  CheckConversions(bytes);

  const std::string saved = LanguageCode;
  StringTable table;
  const bool loaded = table.Load(bytes);
  // Load reads up to the first zero byte; a table that did not load answers
  // nothing. Parsing again here gives the members to look up.
  Json::Value parsed;
  if (loaded) {
    StringTable again;
    FUZZ_CHECK(again.Load(bytes));
    std::string_view json = bytes.substr(0, bytes.find('\0'));
    Json::CharReaderBuilder builder;
    builder["allowComments"] = true;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    try {
      reader->parse(json.data(), json.data() + json.size(), &parsed, &errors);
    } catch (const std::exception&) {
      FUZZ_CHECK(!"a table that loaded parses again");
    }
    if (parsed.isObject()) CheckLookups(table, parsed);
  } else {
    LanguageCode = "ENG";
    FUZZ_CHECK(table.Text("OK").empty() && table.Text("").empty());
  }
  LanguageCode = saved;
  return 0;
}
