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

std::string ExpandIncludes(const std::string& page, const std::map<std::string, std::string>& partials,
                           std::string& error) {
  static const std::string kOpen = "<!--#include ", kClose = " -->", kArg = "<!--#arg-->";
  std::string out;
  size_t pos = 0;
  for (int line = 1; pos < page.size(); ++line) {
    size_t end = page.find('\n', pos);
    end = end == std::string::npos ? page.size() : end + 1;
    std::string_view text(page.data() + pos, end - pos);
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    if (text.size() < kOpen.size() + kClose.size() || !text.starts_with(kOpen) || !text.ends_with(kClose)) {
      out.append(page, pos, end - pos);
      pos = end;
      continue;
    }
    std::string_view rest = text.substr(kOpen.size(), text.size() - kOpen.size() - kClose.size());
    size_t space = rest.find(' ');
    std::string name(rest.substr(0, space));
    std::string_view arg = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    auto it = partials.find(name);
    if (it == partials.end()) {
      error = std::to_string(line) + ": no partial " + name;
      return out;
    }
    std::string part = it->second;
    for (size_t at = part.find(kArg); at != std::string::npos; at = part.find(kArg, at + arg.size()))
      part.replace(at, kArg.size(), arg);
    out += part;
    pos = end;
  }
  return out;
}

}  // namespace orv::pagegen
