// Fills a page template's text placeholders from one language's texts.
//
// A placeholder is {{text}} or {{context|text}}: the English text (and, where
// one English text needs two translations, a context) is the gettext msgid
// (and msgctxt), so a template reads like the English page.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "po_file.h"

namespace orv::pagegen {

struct MissingText {
  int line;
  std::string key;
};

struct Rendered {
  std::string page;
  std::vector<MissingText> missing;  // placeholders the language has no text for
  std::string error;                 // "LINE: reason" for a malformed placeholder
};

// `used` collects every key the template asks for, so entries no page uses
// can be reported.
Rendered RenderPage(const std::string& tmpl, const PoFile& texts, std::set<TextKey>& used);

}  // namespace orv::pagegen
