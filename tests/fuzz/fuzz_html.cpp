// HTML fragments appended into a loaded page, the way rows from templates
// are, then the lookups and edits handlers make on the result. The page
// around the insertion point must stay as it was.
//
// Input: byte 0 picks the insertion point, the rest is the fragment.
#include <string>

#include "app/headless/headless_engine.h"
#include "fuzz_check.h"

using namespace orv;

namespace {

const std::string kFixture = ORVELLE_SOURCE_DIR "/tests/page/fixtures/shell.htm";
constexpr size_t kMaxFragment = 16 * 1024;

// The first id="..." the fragment names, if any, to look it up afterwards.
std::string FirstId(const std::string& html) {
  const size_t at = html.find("id=\"");
  if (at == std::string::npos) return {};
  const size_t end = html.find('"', at + 4);
  if (end == std::string::npos) return {};
  return html.substr(at + 4, end - at - 4);
}

void Touch(HeadlessWindow& w, const ElementRef& node) {
  const int n = w.ChildCount(node);
  for (int i = 0; i < n && i < 32; ++i) {
    ElementRef child = w.NthChild(node, i);
    FUZZ_CHECK(static_cast<bool>(child));
    (void)child.Attr("id");
    (void)w.GetValue(child);
    (void)w.TextOf(child);
    w.SetStyle(child, "display", "none");
    FUZZ_CHECK(w.Style(child, "display") == "none");
    if (i % 2 == 0) {
      w.SetText(child, "t\xC3\xA9xt");
      FUZZ_CHECK(w.TextOf(child) == "t\xC3\xA9xt" && w.ChildCount(child) == 0);
    }
  }
  FUZZ_CHECK(!w.NthChild(node, n));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > kMaxFragment) return 0;
  const std::string html(reinterpret_cast<const char*>(data + 1), size - 1);

  HeadlessWindow w;
  FUZZ_CHECK(w.LoadFile(kFixture));
  const char* points[] = {"rows", "box", "kind", "text"};
  ElementRef target;
  if (data[0] % 5 == 4)
    target = w.FindInFrame("frame1", "inner");
  else
    target = w.FindById(points[data[0] % 5]);
  FUZZ_CHECK(static_cast<bool>(target));
  const int before = w.ChildCount(target);

  // Through the element, as handlers append: an empty fragment clears.
  target.AppendHtml(html);
  (void)w.InnerHtml(target);
  // Appending adds after what was there and touches nothing else.
  if (html.empty())
    FUZZ_CHECK(w.ChildCount(target) == 0);
  else
    FUZZ_CHECK(w.ChildCount(target) >= before);
  FUZZ_CHECK(w.TextOf(w.FindById("go")) == "Go");
  FUZZ_CHECK(w.GetValue(w.FindById("name")) == "Ann");
  FUZZ_CHECK(w.FindInFrame("frame1", "inner").Attr("id") == "inner");

  const std::string id = FirstId(html);
  if (!id.empty()) {
    ElementRef found = w.FindById(id);
    if (found) FUZZ_CHECK(found.Attr("id") == id);
    ElementRef below = target.FindBelow(id);
    if (below) FUZZ_CHECK(below.Attr("id") == id);
  }
  Touch(w, target);
  // A second append on the edited node, as a list refilled row by row.
  target.AppendHtml(html);
  (void)w.InnerHtml(target);
  return 0;
}
