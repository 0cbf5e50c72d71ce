// A row template's markup filled before it reaches the page, so a whole list
// goes in as one write: looking up each field of each row in the page costs a
// round trip to the web process apiece, and a day of 50 dives took hundreds.
#pragma once

#include <string>
#include <vector>

namespace orv {

struct RowField {
  std::string id;     // the element's id in the template
  std::string attr;   // the attribute to set; empty: the element's text
  std::string value;  // plain text, escaped here
};

// `html` with each field's element (the first with that id) given its text
// or attribute, as SetText / SetAttr would give it once appended. A field
// whose id the template lacks changes nothing.
std::string FillRowMarkup(std::string html, const std::vector<RowField>& fields);

}  // namespace orv
