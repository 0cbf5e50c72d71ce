#include "app/engine.h"

namespace orv {

std::string ElementRef::Attr(const std::string& name) const {
  return *this ? window_->GetAttribute(*this, name) : std::string();
}
void ElementRef::SetAttr(const std::string& name, const std::string& value) const {
  if (*this) window_->SetAttribute(*this, name, value);
}
void ElementRef::RemoveAttr(const std::string& name) const {
  if (*this) window_->SetAttribute(*this, name, std::nullopt);
}
void ElementRef::SetText(const std::string& text) const {
  if (*this) window_->SetText(*this, text);
}
void ElementRef::SetStyle(const std::string& name, const std::string& value) const {
  if (*this) window_->SetStyle(*this, name, value);
}
void ElementRef::AppendHtml(const std::string& html) const {
  if (!*this) return;
  if (html.empty())
    window_->SetText(*this, "");
  else
    window_->AppendHtml(*this, html);
}
std::string ElementRef::Value() const { return *this ? window_->GetValue(*this) : std::string(); }
void ElementRef::SetValue(const std::string& value) const {
  if (*this) window_->SetValue(*this, value);
}
ElementRef ElementRef::Child(int n) const { return *this ? window_->NthChild(*this, n) : ElementRef(); }

ElementRef ElementRef::FindBelow(const std::string& id) const {
  return *this ? window_->FindBelow(*this, id) : ElementRef();
}

ElementRef EngineWindow::FindBelow(const ElementRef& element, const std::string& id) {
  if (!element || id.empty()) return {};
  for (int i = 0;; ++i) {
    ElementRef child = NthChild(element, i);
    if (!child) return {};
    if (GetAttribute(child, "id") == id) return child;
    if (ElementRef found = FindBelow(child, id)) return found;
  }
}

}  // namespace orv
