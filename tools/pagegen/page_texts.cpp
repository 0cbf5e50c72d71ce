#include "page_texts.h"

#include <algorithm>

namespace orv::pagegen {

Rendered RenderPage(const std::string& tmpl, const PoFile& texts, std::set<TextKey>& used) {
  Rendered r;
  size_t pos = 0;
  while (true) {
    size_t open = tmpl.find("{{", pos);
    r.page.append(tmpl, pos, open == std::string::npos ? std::string::npos : open - pos);
    if (open == std::string::npos) break;
    int line = 1 + static_cast<int>(std::count(tmpl.begin(), tmpl.begin() + open, '\n'));
    size_t close = tmpl.find("}}", open + 2);
    if (close == std::string::npos || close > tmpl.find('\n', open)) {
      r.error = std::to_string(line) + ": a {{ without }} on the same line";
      return r;
    }
    std::string inner = tmpl.substr(open + 2, close - open - 2);
    size_t bar = inner.find('|');
    TextKey key = bar == std::string::npos ? TextKey{"", inner} : TextKey{inner.substr(0, bar), inner.substr(bar + 1)};
    used.insert(key);
    auto it = texts.entries.find(key);
    if (it == texts.entries.end() || it->second.text.empty() || it->second.fuzzy) {
      r.missing.push_back({line, ShowKey(key)});
      r.page += ShowKey(key);  // keeps going, so one run names every missing key
    } else {
      r.page += it->second.text;
    }
    pos = close + 2;
  }
  return r;
}

}  // namespace orv::pagegen
