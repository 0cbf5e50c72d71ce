#include "app/string_table.h"

#include <json/reader.h>

#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "app/app_state.h"

namespace orv {

std::string LanguageCode = "ENG";

namespace {

constexpr char16_t kReplacement = u'?';

// Bytes a sequence starting with `lead` takes, with the bits the lead byte
// contributes and the least value that needs that many bytes; 0 for a byte
// that cannot start a sequence (a stray continuation byte, or 11111xxx).
struct Lead {
  size_t length;
  char32_t bits;
  char32_t least;
};
Lead ReadLead(unsigned char c) {
  if (c < 0x80) return {1, c, 0};
  if ((c & 0xE0) == 0xC0) return {2, c & 0x1Fu, 0x80};
  if ((c & 0xF0) == 0xE0) return {3, c & 0x0Fu, 0x800};
  if ((c & 0xF8) == 0xF0) return {4, c & 0x07u, 0x10000};
  return {0, 0, 0};
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

void AppendCodePoint(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view bytes) {
  // A zero byte ends the text wherever it stands, also inside a sequence,
  // which then counts as cut off.
  if (auto zero = bytes.find('\0'); zero != std::string_view::npos) bytes = bytes.substr(0, zero);

  std::u16string out;
  out.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  size_t i = 0;
  while (i < n) {
    const Lead lead = ReadLead(p[i]);
    if (lead.length == 0) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    // A malformed sequence ends where its continuation bytes end, so the
    // byte that broke it (an ASCII letter, a new lead byte) is read again as
    // the start of what follows and never swallowed.
    char32_t cp = lead.bits;
    size_t k = 1;
    for (; k < lead.length && i + k < n && IsContinuation(p[i + k]); ++k) cp = (cp << 6) | (p[i + k] & 0x3F);
    i += k;
    // Overlong forms would let a byte hide behind another ("C0 BC" for
    // '<'), and surrogates and values past U+10FFFF are no characters.
    if (k < lead.length || cp < lead.least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      out.push_back(kReplacement);
    else
      AppendCodePoint(out, cp);
  }
  if (!out.empty() && out.front() == 0xFEFF) out.erase(0, 1);
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDFFF) {
      // Only a high surrogate followed by a low one is a character; a lone
      // half would make the UTF-8 invalid, so it becomes '?'.
      if (cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        ++i;
      } else {
        out.push_back('?');
        continue;
      }
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

bool StringTable::Load(std::string_view bytes) {
  table_ = Json::Value();
  if (auto zero = bytes.find('\0'); zero != std::string_view::npos) bytes = bytes.substr(0, zero);

  Json::CharReaderBuilder builder;
  builder["allowComments"] = true;
  builder["collectComments"] = true;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value parsed;
  std::string errors;
  try {
    if (!reader->parse(bytes.data(), bytes.data() + bytes.size(), &parsed, &errors)) return false;
  } catch (const std::exception&) {
    // Nesting beyond JsonCpp's depth limit is reported by an exception.
    return false;
  }
  table_ = std::move(parsed);
  return true;
}

bool StringTable::LoadFile(const std::string& path) {
  table_ = Json::Value();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return false;
  return Load(bytes.str());
}

std::u16string StringTable::Text(const MessageKey& key) const { return Text(key, LanguageCode); }

std::u16string StringTable::Text(const MessageKey& key, const std::string& lang) const {
  if (!table_.isObject()) return {};
  const Json::Value* entry = table_.find(key.data(), key.data() + key.size());
  if (!entry || !entry->isObject()) return {};
  const Json::Value* text = entry->find(lang.data(), lang.data() + lang.size());
  if (!text || !text->isString()) return {};
  const char* begin = nullptr;
  const char* end = nullptr;
  if (!text->getString(&begin, &end) || !begin) return {};
  return Utf8ToUtf16(std::string_view(begin, static_cast<size_t>(end - begin)));
}

std::string StringTable::Utf8(const MessageKey& key) const {
  // Through UTF-16 and back, so the pages and terminals get the same
  // characters as the UTF-16 text, and never invalid UTF-8.
  return Utf16ToUtf8(Text(key));
}

namespace detail {
extern const std::string_view kBuiltinStringJson;
}

namespace {

// The English texts the program was built with: what a diver reads when the
// table beside the program is missing or damaged, instead of empty messages.
const StringTable& BuiltinStrings() {
  static const StringTable table = [] {
    StringTable t;
    t.Load(detail::kBuiltinStringJson);
    return t;
  }();
  return table;
}

bool& UsingBuiltinStrings() {
  static bool builtin = false;
  return builtin;
}

}  // namespace

StringTable& Strings() {
  // Loaded on first use; the language code is left alone here because the
  // settings may already have chosen it by then.
  static StringTable table = [] {
    StringTable t;
    const std::string folder = ProgramFolder();
    const std::string path = folder + "string.json";
    if (folder.empty() || !t.LoadFile(path)) {
      UsingBuiltinStrings() = true;
      std::cerr << "orvelle: the language table " << (folder.empty() ? std::string("string.json") : path)
                << " is missing or damaged; messages are shown in English\n";
    }
    return t;
  }();
  return table;
}

std::string Tr(const MessageKey& key) {
  const StringTable& table = Strings();
  if (!UsingBuiltinStrings()) return table.Utf8(key);
  return Utf16ToUtf8(BuiltinStrings().Text(key, "ENG"));
}

size_t Utf16Length(std::string_view utf8) {
  size_t units = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) ++units;
    if (c >= 0xF0) ++units;
  }
  return units;
}

}  // namespace orv
