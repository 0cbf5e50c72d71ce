// Reads the gettext .po files that hold the page texts of one language each.
#pragma once

#include <map>
#include <string>
#include <utility>

namespace orv::pagegen {

// msgctxt and msgid; the context is empty where the entry has none.
using TextKey = std::pair<std::string, std::string>;

struct PoEntry {
  std::string text;  // msgstr; empty for an untranslated entry
  bool fuzzy = false;
  int line = 0;  // where its msgid stands, for messages
};

struct PoFile {
  std::map<TextKey, PoEntry> entries;
  std::string error;  // "LINE: reason" for the first fault; empty when it read cleanly
};

// Parses the text of a .po file. The header entry and obsolete (#~) entries are
// left out; a repeated key is a fault, as it is for msgfmt.
PoFile ParsePo(const std::string& text);

// How a key is shown to a person: "text" or "context|text", as in the templates.
std::string ShowKey(const TextKey& key);

}  // namespace orv::pagegen
