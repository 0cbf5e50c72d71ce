// A page engine without a screen: the real page files parsed with libxml2's
// HTML parser, the same element operations as the WebKit engine, and entry
// points for tests to click and change selections. Used by the page tests
// and by orvelle-cli, which runs page logic without windows.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/engine.h"

namespace orv {

class HeadlessWindow : public EngineWindow {
 public:
  HeadlessWindow();
  ~HeadlessWindow() override;
  HeadlessWindow(const HeadlessWindow&) = delete;
  HeadlessWindow& operator=(const HeadlessWindow&) = delete;

  bool LoadFile(const std::string& path) override;
  ElementRef Root() override;
  ElementRef FindById(const std::string& id) override;
  ElementRef FindInFrame(const std::string& frame_id, const std::string& id) override;
  ElementRef NthChild(const ElementRef& element, int n) override;
  std::string GetAttribute(const ElementRef& element, const std::string& name) override;
  void SetAttribute(const ElementRef& element, const std::string& name,
                    const std::optional<std::string>& value) override;
  void SetText(const ElementRef& element, const std::string& text) override;
  void SetStyle(const ElementRef& element, const std::string& name, const std::string& value) override;
  void AppendHtml(const ElementRef& element, const std::string& html) override;
  std::string GetValue(const ElementRef& element) override;
  void SetValue(const ElementRef& element, const std::string& value) override;
  void ShowPopup(const ElementRef& popup, const ElementRef& anchor) override;
  void HidePopup(const ElementRef& popup) override;
  void AttachChildView(const ElementRef& host, const std::string& page) override;
  // Records the call: the page the view shows, the function and its texts.
  void CallChildFunction(const ElementRef& host, const std::string& function,
                         const std::vector<std::string>& args) override;

  // Test entries. Click delivers event code 0 (or `code`) with the element as
  // target; Select sets a select's value and delivers code 5. Both return
  // false when no element has the id. The frame variants look inside a frame.
  bool Click(const std::string& id, uint32_t code = kEventClick);
  bool ClickInFrame(const std::string& frame_id, const std::string& id);
  bool Select(const std::string& id, const std::string& value);
  void ClickElement(const ElementRef& element, uint32_t code = kEventClick);

  // Inspection for tests.
  std::string TextOf(const ElementRef& element);     // text content
  std::string InnerHtml(const ElementRef& element);  // serialised children
  std::string Style(const ElementRef& element, const std::string& name);
  bool PopupShown(const ElementRef& popup) const;
  std::string ChildViewPage(const ElementRef& host) const;  // "" when none
  int ChildCount(const ElementRef& element);
  struct ChildCall {
    std::string page;  // the child view's page; "" when the host had none
    std::string function;
    std::vector<std::string> args;
  };
  const std::vector<ChildCall>& ChildCalls() const;
  void ClearChildCalls();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orv
