// A small DOM over libxml2's HTML parser for the headless engine.
#pragma once

#include <libxml/tree.h>

#include <string>
#include <vector>

namespace orv::dom {

class Document {
 public:
  Document() = default;
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // A missing or unreadable file leaves an empty document (no root).
  bool LoadFile(const std::string& path);
  xmlNodePtr Root() const;
  void ReplaceChildrenWithText(xmlNodePtr node, const std::string& text);
  void AppendFragment(xmlNodePtr node, const std::string& html);
  std::string InnerHtml(xmlNodePtr node) const;

  xmlDocPtr doc = nullptr;
  std::string folder;  // folder of the file, for frame addresses

 private:
  void Bury(xmlNodePtr first);
  void Reset();
  // Removed nodes are kept until the document goes, so an element reference
  // taken before a clear never points at freed memory.
  std::vector<xmlNodePtr> graveyard_;
};

enum class FieldKind { None, Text, Select, Check, Radio };

xmlNodePtr FindById(xmlNodePtr root, const std::string& id);
std::vector<xmlNodePtr> ElementsByTag(xmlNodePtr root, const std::string& tag);
xmlNodePtr NthElementChild(xmlNodePtr node, int n);
int ElementChildCount(xmlNodePtr node);

bool HasAttr(xmlNodePtr node, const std::string& name);
std::string GetAttr(xmlNodePtr node, const std::string& name);
void SetAttr(xmlNodePtr node, const std::string& name, const std::string& value);
void RemoveAttr(xmlNodePtr node, const std::string& name);
std::string TextContent(xmlNodePtr node);

std::string GetStyleProperty(xmlNodePtr node, const std::string& name);
void SetStyleProperty(xmlNodePtr node, const std::string& name, const std::string& value);

FieldKind KindOf(xmlNodePtr node);
// What a browser shows as the field's value before anything was typed.
std::string DefaultValue(xmlNodePtr node);
bool HasOptionValue(xmlNodePtr select, const std::string& value);
// The other radio buttons of `radio`'s group (same name, same document).
std::vector<xmlNodePtr> RadioGroupOthers(xmlNodePtr radio);

}  // namespace orv::dom
