#include "app/headless/html_dom.h"

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/parser.h>

#include <algorithm>
#include <cstring>

#include "app/page_folder.h"

namespace orv::dom {

namespace {

const xmlChar* X(const std::string& s) { return reinterpret_cast<const xmlChar*>(s.c_str()); }

bool IsElement(xmlNodePtr n) { return n && n->type == XML_ELEMENT_NODE; }

bool TagIs(xmlNodePtr n, const char* tag) {
  return IsElement(n) && xmlStrcasecmp(n->name, reinterpret_cast<const xmlChar*>(tag)) == 0;
}

// Next element in document order below `root`.
xmlNodePtr NextInOrder(xmlNodePtr n, xmlNodePtr root) {
  if (n->children) return n->children;
  while (n && n != root) {
    if (n->next) return n->next;
    n = n->parent;
  }
  return nullptr;
}

template <typename F>
void Walk(xmlNodePtr root, F&& visit) {
  for (xmlNodePtr n = root; n; n = NextInOrder(n, root))
    if (IsElement(n) && !visit(n)) return;
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::vector<std::pair<std::string, std::string>> ParseStyle(const std::string& style) {
  std::vector<std::pair<std::string, std::string>> out;
  size_t pos = 0;
  while (pos < style.size()) {
    size_t end = style.find(';', pos);
    if (end == std::string::npos) end = style.size();
    std::string decl = style.substr(pos, end - pos);
    size_t colon = decl.find(':');
    if (colon != std::string::npos) {
      std::string name = Trim(decl.substr(0, colon));
      if (!name.empty()) out.emplace_back(name, Trim(decl.substr(colon + 1)));
    }
    pos = end + 1;
  }
  return out;
}

constexpr int kParseOptions = HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET;

}  // namespace

Document::~Document() { Reset(); }

void Document::Reset() {
  for (xmlNodePtr n : graveyard_) xmlFreeNode(n);
  graveyard_.clear();
  if (doc) xmlFreeDoc(doc);
  doc = nullptr;
}

bool Document::LoadFile(const std::string& path) {
  Reset();  // a window that loads another page lets the old one go
  auto slash = path.find_last_of('/');
  folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  auto bytes = ReadWholeFile(path);
  if (!bytes) return false;
  doc = htmlReadMemory(bytes->data(), static_cast<int>(bytes->size()), path.c_str(), "UTF-8", kParseOptions);
  return doc != nullptr;
}

xmlNodePtr Document::Root() const { return doc ? xmlDocGetRootElement(doc) : nullptr; }

void Document::Bury(xmlNodePtr first) {
  while (first) {
    xmlNodePtr next = first->next;
    xmlUnlinkNode(first);
    graveyard_.push_back(first);
    first = next;
  }
}

void Document::ReplaceChildrenWithText(xmlNodePtr node, const std::string& text) {
  Bury(node->children);
  if (!text.empty()) xmlAddChild(node, xmlNewDocText(doc, X(text)));
}

void Document::AppendFragment(xmlNodePtr node, const std::string& html) {
  // Parsed as the content of a neutral container so that rows, cells and
  // options keep their tags whatever the insertion point is.
  std::string wrapped = "<html><body><template id=\"__frag\">" + html + "</template></body></html>";
  xmlDocPtr frag = htmlReadMemory(wrapped.data(), static_cast<int>(wrapped.size()), nullptr, "UTF-8", kParseOptions);
  if (!frag) return;
  if (xmlNodePtr holder = FindById(xmlDocGetRootElement(frag), "__frag")) {
    for (xmlNodePtr c = holder->children; c; c = c->next) {
      xmlNodePtr copy = xmlDocCopyNode(c, doc, 1);
      if (copy) xmlAddChild(node, copy);
    }
  }
  xmlFreeDoc(frag);
}

std::string Document::InnerHtml(xmlNodePtr node) const {
  if (!node) return {};
  std::string out;
  xmlBufferPtr buf = xmlBufferCreate();
  for (xmlNodePtr c = node->children; c; c = c->next) {
    xmlBufferEmpty(buf);
    htmlNodeDump(buf, doc, c);
    out.append(reinterpret_cast<const char*>(xmlBufferContent(buf)), xmlBufferLength(buf));
  }
  xmlBufferFree(buf);
  return out;
}

xmlNodePtr FindById(xmlNodePtr root, const std::string& id) {
  xmlNodePtr found = nullptr;
  if (!root) return nullptr;
  Walk(root, [&](xmlNodePtr n) {
    xmlChar* v = xmlGetProp(n, X("id"));
    bool match = v && id == reinterpret_cast<const char*>(v);
    xmlFree(v);
    if (match) found = n;
    return !match;
  });
  return found;
}

std::vector<xmlNodePtr> ElementsByTag(xmlNodePtr root, const std::string& tag) {
  std::vector<xmlNodePtr> out;
  if (!root) return out;
  Walk(root, [&](xmlNodePtr n) {
    if (TagIs(n, tag.c_str())) out.push_back(n);
    return true;
  });
  return out;
}

xmlNodePtr NthElementChild(xmlNodePtr node, int n) {
  if (!node || n < 0) return nullptr;
  for (xmlNodePtr c = node->children; c; c = c->next)
    if (IsElement(c) && n-- == 0) return c;
  return nullptr;
}

int ElementChildCount(xmlNodePtr node) {
  int count = 0;
  if (node)
    for (xmlNodePtr c = node->children; c; c = c->next) count += IsElement(c);
  return count;
}

bool HasAttr(xmlNodePtr node, const std::string& name) { return node && xmlHasProp(node, X(name)) != nullptr; }

std::string GetAttr(xmlNodePtr node, const std::string& name) {
  if (!node) return {};
  xmlChar* v = xmlGetProp(node, X(name));
  std::string out = v ? reinterpret_cast<const char*>(v) : "";
  xmlFree(v);
  return out;
}

void SetAttr(xmlNodePtr node, const std::string& name, const std::string& value) {
  if (node) xmlSetProp(node, X(name), X(value));
}

void RemoveAttr(xmlNodePtr node, const std::string& name) {
  if (!node) return;
  if (xmlAttrPtr a = xmlHasProp(node, X(name))) xmlRemoveProp(a);
}

std::string TextContent(xmlNodePtr node) {
  if (!node) return {};
  xmlChar* v = xmlNodeGetContent(node);
  std::string out = v ? reinterpret_cast<const char*>(v) : "";
  xmlFree(v);
  return out;
}

std::string GetStyleProperty(xmlNodePtr node, const std::string& name) {
  for (auto& [k, v] : ParseStyle(GetAttr(node, "style")))
    if (k == name) return v;
  return {};
}

void SetStyleProperty(xmlNodePtr node, const std::string& name, const std::string& value) {
  if (!node) return;
  auto decls = ParseStyle(GetAttr(node, "style"));
  auto it = std::find_if(decls.begin(), decls.end(), [&](auto& d) { return d.first == name; });
  if (it != decls.end())
    it->second = value;
  else
    decls.emplace_back(name, value);
  std::string style;
  for (auto& [k, v] : decls)
    if (!v.empty()) style += k + ": " + v + "; ";
  SetAttr(node, "style", Trim(style));
}

FieldKind KindOf(xmlNodePtr node) {
  if (TagIs(node, "select")) return FieldKind::Select;
  if (TagIs(node, "textarea") || TagIs(node, "progress") || TagIs(node, "meter")) return FieldKind::Text;
  if (TagIs(node, "input")) {
    std::string type = GetAttr(node, "type");
    std::transform(type.begin(), type.end(), type.begin(), ::tolower);
    if (type == "radio") return FieldKind::Radio;
    return type == "checkbox" ? FieldKind::Check : FieldKind::Text;
  }
  return FieldKind::None;
}

namespace {
std::string OptionValue(xmlNodePtr option) {
  return HasAttr(option, "value") ? GetAttr(option, "value") : Trim(TextContent(option));
}
}  // namespace

std::string DefaultValue(xmlNodePtr node) {
  switch (KindOf(node)) {
    case FieldKind::Select: {
      auto options = ElementsByTag(node, "option");
      for (xmlNodePtr o : options)
        if (HasAttr(o, "selected")) return OptionValue(o);
      return options.empty() ? std::string() : OptionValue(options.front());
    }
    case FieldKind::Check:
      return HasAttr(node, "checked") ? "true" : "false";
    case FieldKind::Radio:
      return HasAttr(node, "checked") ? GetAttr(node, "value") : "";
    case FieldKind::Text:
      return TagIs(node, "textarea") ? TextContent(node) : GetAttr(node, "value");
    case FieldKind::None:
      return TextContent(node);
  }
  return {};
}

std::vector<xmlNodePtr> RadioGroupOthers(xmlNodePtr radio) {
  std::vector<xmlNodePtr> out;
  const std::string name = GetAttr(radio, "name");
  if (name.empty() || !radio->doc) return out;
  for (xmlNodePtr n : ElementsByTag(xmlDocGetRootElement(radio->doc), "input"))
    if (n != radio && KindOf(n) == FieldKind::Radio && GetAttr(n, "name") == name) out.push_back(n);
  return out;
}

bool HasOptionValue(xmlNodePtr select, const std::string& value) {
  for (xmlNodePtr o : ElementsByTag(select, "option"))
    if (OptionValue(o) == value) return true;
  return false;
}

}  // namespace orv::dom
