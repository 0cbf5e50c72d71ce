// The language table (string.json beside the program) and the current
// language.
#pragma once

#include <string>
#include <string_view>

#include <json/value.h>

namespace orv {

using MessageKey = std::string;

// "ENG" or "CHT".
extern std::string LanguageCode;

class StringTable {
 public:
  // Parses the bytes up to the first zero byte; comments are accepted. An
  // unparsable table leaves every lookup empty.
  bool Load(std::string_view bytes);
  bool LoadFile(const std::string& path);
  // The message for `key` in the current language; empty when the key or
  // the language is missing.
  std::u16string Text(const MessageKey& key) const;
  std::u16string Text(const MessageKey& key, const std::string& language) const;
  // Same text as UTF-8, for pages and terminals.
  std::string Utf8(const MessageKey& key) const;

 private:
  Json::Value table_;
};

// The process-wide table, read from ProgramFolder()/string.json on first use.
// When that file is missing or damaged, one line on stderr says so and Tr
// answers with the English texts built into the program.
StringTable& Strings();
// The message for `key` in the current language (see Strings()).
std::string Tr(const MessageKey& key);

// UTF-8 to UTF-16 as the language table needs it: a leading byte-order mark is
// dropped and a zero byte ends the text. Each malformed sequence (stray or
// missing continuation byte, overlong form, surrogate, value above U+10FFFF,
// cut off at the end) becomes one '?', and decoding goes on with the byte
// after it.
std::u16string Utf8ToUtf16(std::string_view bytes);
std::string Utf16ToUtf8(std::u16string_view text);
// How many UTF-16 units a UTF-8 text takes (four-byte sequences count twice),
// without converting it.
size_t Utf16Length(std::string_view utf8);

}  // namespace orv
