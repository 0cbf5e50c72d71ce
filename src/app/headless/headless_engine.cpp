#include "app/headless/headless_engine.h"

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <filesystem>

#include "app/headless/html_dom.h"
#include "app/page_folder.h"

namespace orv {

namespace {

// The page token expires when the window loads another page, so a reference
// kept from the old page finds nothing instead of freed memory.
struct HeadlessNode : ElementNode {
  HeadlessNode(xmlNodePtr n, std::weak_ptr<char> t) : node(n), page(std::move(t)) {}
  xmlNodePtr node;
  std::weak_ptr<char> page;
};

xmlNodePtr NodeOf(const ElementRef& ref) {
  auto* n = dynamic_cast<HeadlessNode*>(ref.node());
  return n && !n->page.expired() ? n->node : nullptr;
}

}  // namespace

struct HeadlessWindow::Impl {
  HeadlessWindow* owner;
  dom::Document main;
  // Each frame element's document, loaded from its "src" like a browser does.
  std::map<xmlNodePtr, std::unique_ptr<dom::Document>> frames;
  std::map<xmlNodePtr, std::string> values;  // current values of form fields
  std::set<xmlNodePtr> popups;
  std::map<xmlNodePtr, std::string> child_views;
  std::vector<ChildCall> child_calls;
  std::shared_ptr<char> page_token = std::make_shared<char>();
  std::vector<std::unique_ptr<dom::Document>> retired;

  ElementRef Ref(xmlNodePtr n) {
    return n ? ElementRef(owner, std::make_shared<HeadlessNode>(n, page_token)) : ElementRef();
  }

  void LoadFrames(dom::Document& doc) {
    for (xmlNodePtr f : dom::ElementsByTag(doc.Root(), "iframe")) LoadFrame(doc, f);
  }

  void LoadFrame(dom::Document& parent, xmlNodePtr frame) {
    std::string src = dom::GetAttr(frame, "src");
    auto doc = std::make_unique<dom::Document>();
    if (!src.empty() && src.find(':') == std::string::npos) {
      doc->LoadFile(parent.folder + src);
      LoadFrames(*doc);
    }
    // A frame's earlier document stays alive until the page goes, so
    // references taken in it stay safe to touch.
    auto& slot = frames[frame];
    if (slot) retired.push_back(std::move(slot));
    slot = std::move(doc);
  }

  dom::Document* DocOf(xmlNodePtr n) {
    if (!n) return nullptr;
    if (n->doc == main.doc) return &main;
    for (auto& [frame, doc] : frames)
      if (doc->doc == n->doc) return doc.get();
    return nullptr;
  }
};

HeadlessWindow::HeadlessWindow() : impl_(std::make_unique<Impl>()) { impl_->owner = this; }
HeadlessWindow::~HeadlessWindow() = default;

bool HeadlessWindow::LoadFile(const std::string& path) {
  impl_->page_token = std::make_shared<char>();
  impl_->frames.clear();
  impl_->retired.clear();
  impl_->values.clear();
  impl_->popups.clear();
  impl_->child_views.clear();
  bool ok = impl_->main.LoadFile(path);
  impl_->LoadFrames(impl_->main);
  return ok;
}

ElementRef HeadlessWindow::Root() { return impl_->Ref(impl_->main.Root()); }

ElementRef HeadlessWindow::FindById(const std::string& id) { return impl_->Ref(dom::FindById(impl_->main.Root(), id)); }

ElementRef HeadlessWindow::FindInFrame(const std::string& frame_id, const std::string& id) {
  ElementRef frame_root = NthChild(FindById(frame_id), 0);
  return impl_->Ref(dom::FindById(NodeOf(frame_root), id));
}

ElementRef HeadlessWindow::NthChild(const ElementRef& element, int n) {
  xmlNodePtr node = NodeOf(element);
  if (!node) return {};
  auto frame = impl_->frames.find(node);
  if (frame != impl_->frames.end()) return n == 0 ? impl_->Ref(frame->second->Root()) : ElementRef();
  return impl_->Ref(dom::NthElementChild(node, n));
}

std::string HeadlessWindow::GetAttribute(const ElementRef& element, const std::string& name) {
  return dom::GetAttr(NodeOf(element), name);
}

void HeadlessWindow::SetAttribute(const ElementRef& element, const std::string& name,
                                  const std::optional<std::string>& value) {
  xmlNodePtr node = NodeOf(element);
  if (!node) return;
  if (value)
    dom::SetAttr(node, name, *value);
  else
    dom::RemoveAttr(node, name);
  // A frame whose address changes loads the new document, as in a browser.
  if (name == "src" && impl_->frames.count(node)) {
    if (dom::Document* parent = impl_->DocOf(node)) impl_->LoadFrame(*parent, node);
  }
}

void HeadlessWindow::SetText(const ElementRef& element, const std::string& text) {
  xmlNodePtr node = NodeOf(element);
  if (!node) return;
  if (dom::Document* doc = impl_->DocOf(node)) doc->ReplaceChildrenWithText(node, text);
  impl_->values.erase(node);
}

void HeadlessWindow::SetStyle(const ElementRef& element, const std::string& name, const std::string& value) {
  xmlNodePtr node = NodeOf(element);
  if (node) dom::SetStyleProperty(node, name, value);
}

void HeadlessWindow::AppendHtml(const ElementRef& element, const std::string& html) {
  xmlNodePtr node = NodeOf(element);
  if (!node) return;
  if (dom::Document* doc = impl_->DocOf(node)) {
    doc->AppendFragment(node, html);
    for (xmlNodePtr f : dom::ElementsByTag(node, "iframe"))
      if (!impl_->frames.count(f)) impl_->LoadFrame(*doc, f);
  }
}

std::string HeadlessWindow::GetValue(const ElementRef& element) {
  xmlNodePtr node = NodeOf(element);
  if (!node) return {};
  auto it = impl_->values.find(node);
  if (it != impl_->values.end()) return it->second;
  return dom::DefaultValue(node);
}

void HeadlessWindow::SetValue(const ElementRef& element, const std::string& value) {
  xmlNodePtr node = NodeOf(element);
  if (!node) return;
  switch (dom::KindOf(node)) {
    case dom::FieldKind::Select:
      // A value that no option carries leaves nothing selected, as in a browser.
      impl_->values[node] = dom::HasOptionValue(node, value) ? value : std::string();
      break;
    case dom::FieldKind::Check:
      impl_->values[node] = (value == "true" || value == "1") ? "true" : "false";
      break;
    case dom::FieldKind::Radio: {
      // A radio button's value is its own value while it is checked; setting
      // that value (or "true") checks it and unchecks the rest of its group.
      const std::string own = dom::GetAttr(node, "value");
      const bool check = value == "true" || (!value.empty() && value == own);
      impl_->values[node] = check ? own : std::string();
      if (check)
        for (xmlNodePtr other : dom::RadioGroupOthers(node)) impl_->values[other] = std::string();
      break;
    }
    case dom::FieldKind::Text:
      impl_->values[node] = value;
      break;
    case dom::FieldKind::None:
      SetText(element, value);
      break;
  }
}

void HeadlessWindow::ShowPopup(const ElementRef& popup, const ElementRef&) {
  if (xmlNodePtr node = NodeOf(popup)) impl_->popups.insert(node);
}

void HeadlessWindow::HidePopup(const ElementRef& popup) {
  if (xmlNodePtr node = NodeOf(popup)) impl_->popups.erase(node);
}

void HeadlessWindow::AttachChildView(const ElementRef& host, const std::string& page) {
  if (xmlNodePtr node = NodeOf(host)) impl_->child_views[node] = page;
}

void HeadlessWindow::CallChildFunction(const ElementRef& host, const std::string& function,
                                       const std::vector<std::string>& args) {
  impl_->child_calls.push_back(ChildCall{ChildViewPage(host), function, args});
}

const std::vector<HeadlessWindow::ChildCall>& HeadlessWindow::ChildCalls() const { return impl_->child_calls; }

void HeadlessWindow::ClearChildCalls() { impl_->child_calls.clear(); }

bool HeadlessWindow::Click(const std::string& id, uint32_t code) {
  ElementRef target = FindById(id);
  if (!target) return false;
  ClickElement(target, code);
  return true;
}

bool HeadlessWindow::ClickInFrame(const std::string& frame_id, const std::string& id) {
  ElementRef target = FindInFrame(frame_id, id);
  if (!target) return false;
  ClickElement(target);
  return true;
}

void HeadlessWindow::ClickElement(const ElementRef& element, uint32_t code) {
  if (!element) return;
  // Disabled controls swallow clicks in a browser; keep that here so page
  // tests see what a diver would.
  if (dom::HasAttr(NodeOf(element), "disabled")) return;
  PageEvent event;
  event.code = code;
  event.target = element;
  event.source = element;
  Deliver(element, event);
}

bool HeadlessWindow::Select(const std::string& id, const std::string& value) {
  ElementRef target = FindById(id);
  if (!target) return false;
  SetValue(target, value);
  PageEvent event;
  event.code = kEventSelectionChanged;
  event.target = target;
  event.source = target;
  Deliver(target, event);
  return true;
}

std::string HeadlessWindow::TextOf(const ElementRef& element) { return dom::TextContent(NodeOf(element)); }

std::string HeadlessWindow::InnerHtml(const ElementRef& element) {
  xmlNodePtr node = NodeOf(element);
  dom::Document* doc = impl_->DocOf(node);
  return doc ? doc->InnerHtml(node) : std::string();
}

std::string HeadlessWindow::Style(const ElementRef& element, const std::string& name) {
  return dom::GetStyleProperty(NodeOf(element), name);
}

bool HeadlessWindow::PopupShown(const ElementRef& popup) const { return impl_->popups.count(NodeOf(popup)) > 0; }

std::string HeadlessWindow::ChildViewPage(const ElementRef& host) const {
  auto it = impl_->child_views.find(NodeOf(host));
  return it == impl_->child_views.end() ? std::string() : it->second;
}

int HeadlessWindow::ChildCount(const ElementRef& element) { return dom::ElementChildCount(NodeOf(element)); }

}  // namespace orv
