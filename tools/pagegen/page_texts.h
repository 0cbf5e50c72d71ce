// Fills a page template's text placeholders from one language's texts.
//
// A placeholder is {{text}} or {{context|text}}: the English text (and, where
// one English text needs two translations, a context) is the gettext msgid
// (and msgctxt), so a template reads like the English page.
#pragma once

#include <map>
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

// What pages share, written once: a line "<!--#include _NAME.htm ARG -->" of
// a rendered page becomes the rendered partial _NAME.htm, each "<!--#arg-->"
// in it replaced by ARG (optional; a page's title, already in the page's
// language). `error` gets "LINE: reason" for a partial that is not there.
std::string ExpandIncludes(const std::string& page, const std::map<std::string, std::string>& partials,
                           std::string& error);

}  // namespace orv::pagegen
