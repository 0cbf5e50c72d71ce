#include "app/row_markup.h"

#include <cctype>

namespace orv {

namespace {

std::string Escape(const std::string& text, bool attribute) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (attribute && c == '"')
      out += "&quot;";
    else
      out += c;
  }
  return out;
}

struct Attr {
  size_t begin = 0, end = 0;  // the whole `name="value"` in the markup
  std::string name, value;
};

// The attributes of the start tag at `open` ('<'); `close` receives the
// position of its '>' (npos when the tag never ends).
std::vector<Attr> ScanTag(const std::string& html, size_t open, size_t& close) {
  std::vector<Attr> attrs;
  size_t i = open + 1;
  while (i < html.size() && !std::isspace(static_cast<unsigned char>(html[i])) && html[i] != '>' && html[i] != '/') ++i;
  for (;;) {
    while (i < html.size() && (std::isspace(static_cast<unsigned char>(html[i])) || html[i] == '/')) ++i;
    if (i >= html.size()) return close = std::string::npos, attrs;
    if (html[i] == '>') return close = i, attrs;
    Attr a;
    a.begin = i;
    while (i < html.size() && !std::isspace(static_cast<unsigned char>(html[i])) && html[i] != '=' && html[i] != '>' &&
           html[i] != '/')
      a.name += static_cast<char>(std::tolower(static_cast<unsigned char>(html[i++])));
    if (i < html.size() && html[i] == '=') {
      ++i;
      if (i < html.size() && (html[i] == '"' || html[i] == '\'')) {
        size_t q = html.find(html[i], i + 1);
        if (q == std::string::npos) return close = std::string::npos, attrs;
        a.value = html.substr(i + 1, q - i - 1);
        i = q + 1;
      } else {
        while (i < html.size() && !std::isspace(static_cast<unsigned char>(html[i])) && html[i] != '>')
          a.value += html[i++];
      }
    }
    a.end = i;
    attrs.push_back(std::move(a));
  }
}

// The start tag carrying `id`: its '<' and the tag name; npos when none.
size_t FindElement(const std::string& html, const std::string& id, std::string& tag, size_t& close,
                   std::vector<Attr>& attrs) {
  for (size_t open = html.find('<'); open != std::string::npos; open = html.find('<', open + 1)) {
    if (open + 1 >= html.size() || !std::isalpha(static_cast<unsigned char>(html[open + 1]))) continue;
    attrs = ScanTag(html, open, close);
    if (close == std::string::npos) return std::string::npos;
    for (const Attr& a : attrs)
      if (a.name == "id" && a.value == id) {
        size_t n = open + 1;
        tag.clear();
        while (n < html.size() && std::isalnum(static_cast<unsigned char>(html[n])))
          tag += static_cast<char>(std::tolower(static_cast<unsigned char>(html[n++])));
        return open;
      }
    open = close;
  }
  return std::string::npos;
}

bool StartsTag(const std::string& html, size_t at, const std::string& prefix, const std::string& tag) {
  if (html.compare(at, prefix.size(), prefix) != 0) return false;
  for (size_t k = 0; k < tag.size(); ++k)
    if (at + prefix.size() + k >= html.size() ||
        std::tolower(static_cast<unsigned char>(html[at + prefix.size() + k])) != tag[k])
      return false;
  size_t after = at + prefix.size() + tag.size();
  return after < html.size() && !std::isalnum(static_cast<unsigned char>(html[after]));
}

// Where the element's content ends: its matching end tag, counting nested
// elements of the same name; npos when it has none.
size_t ContentEnd(const std::string& html, size_t from, const std::string& tag) {
  int depth = 1;
  for (size_t i = html.find('<', from); i != std::string::npos; i = html.find('<', i + 1)) {
    if (StartsTag(html, i, "</", tag) && --depth == 0) return i;
    if (StartsTag(html, i, "<", tag)) ++depth;
  }
  return std::string::npos;
}

}  // namespace

std::string FillRowMarkup(std::string html, const std::vector<RowField>& fields) {
  for (const RowField& f : fields) {
    std::string tag;
    size_t close = 0;
    std::vector<Attr> attrs;
    size_t open = FindElement(html, f.id, tag, close, attrs);
    if (open == std::string::npos) continue;
    if (f.attr.empty()) {
      size_t end = ContentEnd(html, close + 1, tag);
      if (end != std::string::npos) html.replace(close + 1, end - close - 1, Escape(f.value, false));
      continue;
    }
    std::string written = f.attr + "=\"" + Escape(f.value, true) + "\"";
    bool replaced = false;
    for (const Attr& a : attrs)
      if (a.name == f.attr) {
        html.replace(a.begin, a.end - a.begin, written);
        replaced = true;
        break;
      }
    if (!replaced) html.insert(close - (html[close - 1] == '/' ? 1 : 0), " " + written);
  }
  return html;
}

}  // namespace orv
