#include "po_file.h"

#include <sstream>

namespace orv::pagegen {
namespace {

// Decodes one quoted .po string ("..." with C escapes); false when malformed.
bool Unquote(const std::string& s, std::string& out) {
  size_t b = s.find_first_not_of(" \t");
  size_t e = s.find_last_not_of(" \t\r");
  if (b == std::string::npos || e <= b || s[b] != '"' || s[e] != '"') return false;
  for (size_t i = b + 1; i < e; ++i) {
    char c = s[i];
    if (c == '"') return false;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i >= e) return false;
    switch (s[i]) {
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case '"':
        out += '"';
        break;
      case '\\':
        out += '\\';
        break;
      default:
        return false;
    }
  }
  return true;
}

struct Pending {
  std::string ctx, id, str;
  bool has_ctx = false, has_id = false, has_str = false, fuzzy = false, plural = false;
  int line = 0;
};

}  // namespace

std::string ShowKey(const TextKey& key) { return key.first.empty() ? key.second : key.first + "|" + key.second; }

PoFile ParsePo(const std::string& text) {
  PoFile po;
  Pending cur;
  std::string* field = nullptr;  // what a continuation line extends
  bool flagged_fuzzy = false;    // "#, fuzzy" seen before the next entry
  auto fail = [&po](int line, const std::string& why) {
    if (po.error.empty()) po.error = std::to_string(line) + ": " + why;
  };
  auto finish = [&] {
    if ((cur.has_ctx || cur.has_id) && !cur.has_str) fail(cur.line, "an entry without msgstr");
    bool header = !cur.has_ctx && cur.id.empty();
    if (cur.has_str && !header && !cur.plural) {
      TextKey key{cur.ctx, cur.id};
      if (!po.entries.emplace(key, PoEntry{cur.str, cur.fuzzy, cur.line}).second)
        fail(cur.line, "\"" + ShowKey(key) + "\" is there twice");
    }
    cur = Pending{};
    field = nullptr;
  };
  auto begin = [&](int line) {
    if (cur.has_ctx || cur.has_id) finish();
    cur.fuzzy = flagged_fuzzy;
    cur.line = line;
    flagged_fuzzy = false;
  };

  std::istringstream in(text);
  std::string line;
  int n = 0;
  while (std::getline(in, line)) {
    ++n;
    size_t b = line.find_first_not_of(" \t\r");
    if (b == std::string::npos) continue;
    line.erase(0, b);
    if (line[0] == '#') {
      if (cur.has_str) finish();
      if (line.rfind("#,", 0) == 0 && line.find("fuzzy") != std::string::npos) flagged_fuzzy = true;
      continue;  // comments, references and obsolete (#~) entries
    }
    size_t sp = line[0] == '"' ? 0 : line.find_first_of(" \t");
    std::string word = line.substr(0, sp);
    std::string value;
    if (sp == std::string::npos || !Unquote(line.substr(sp), value)) {
      fail(n, "expected a quoted string");
      continue;
    }
    if (word.empty()) {
      if (field)
        *field += value;
      else
        fail(n, "a string with no keyword before it");
    } else if (word == "msgctxt") {
      begin(n);
      cur.has_ctx = true;
      cur.ctx = value;
      field = &cur.ctx;
    } else if (word == "msgid") {
      if (!cur.has_ctx || cur.has_id) begin(n);
      cur.has_id = true;
      cur.id = value;
      field = &cur.id;
    } else if (word == "msgid_plural") {
      cur.plural = true;  // plural forms have no place in a page
      field = nullptr;
    } else if (word == "msgstr" || word.rfind("msgstr[", 0) == 0) {
      if (!cur.has_id) fail(n, "msgstr without msgid");
      cur.has_str = true;
      cur.str = word == "msgstr" ? value : cur.str;
      field = word == "msgstr" ? &cur.str : nullptr;
    } else {
      fail(n, "unknown keyword " + word);
    }
  }
  finish();
  return po;
}

}  // namespace orv::pagegen
