#include "app/string_table.h"

namespace orv {
std::string LanguageCode = "ENG";
bool StringTable::Load(std::string_view) { return false; }
bool StringTable::LoadFile(const std::string&) { return false; }
std::u16string StringTable::Text(const MessageKey&) const { return {}; }
std::string StringTable::Utf8(const MessageKey&) const { return {}; }
StringTable& Strings() { static StringTable t; return t; }
std::string Tr(const MessageKey& key) { return Strings().Utf8(key); }
std::u16string Utf8ToUtf16(std::string_view) { return {}; }
std::string Utf16ToUtf8(std::u16string_view) { return {}; }
}  // namespace orv
