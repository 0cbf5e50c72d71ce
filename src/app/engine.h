// The page engine as the page handlers see it: find elements by id, read and
// write their text, attributes, styles and values, append HTML fragments and
// receive clicks. Implemented by the WebKit engine (desktop program) and the
// headless engine (tests, orvelle-cli).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv {

class EngineWindow;

// Engine-specific element identity; each engine derives its own.
struct ElementNode {
  virtual ~ElementNode() = default;
};

// A counted reference to one element. An empty reference ignores every
// operation and reads as empty text, so a missing element simply leaves the
// page unchanged.
class ElementRef {
 public:
  ElementRef() = default;
  ElementRef(EngineWindow* window, std::shared_ptr<ElementNode> node) : window_(window), node_(std::move(node)) {}

  explicit operator bool() const { return window_ && node_; }
  EngineWindow* window() const { return window_; }
  ElementNode* node() const { return node_.get(); }

  std::string Attr(const std::string& name) const;
  void SetAttr(const std::string& name, const std::string& value) const;
  void RemoveAttr(const std::string& name) const;
  void SetText(const std::string& text) const;
  void Clear() const { SetText(""); }
  void SetStyle(const std::string& name, const std::string& value) const;
  // Appends the fragment after the last child; an empty fragment clears.
  void AppendHtml(const std::string& html) const;
  std::string Value() const;
  void SetValue(const std::string& value) const;
  ElementRef Child(int n) const;
  // First element below this one, in document order, whose id equals `id`.
  ElementRef FindBelow(const std::string& id) const;
  void Hide() const { SetAttr("hidden", ""); }
  void Show() const { RemoveAttr("hidden"); }

 private:
  EngineWindow* window_ = nullptr;
  std::shared_ptr<ElementNode> node_;
};

// Event code 0 is a click; flag bits (sinking, handled) make it non-zero.
inline constexpr uint32_t kEventClick = 0;
inline constexpr uint32_t kEventSelectionChanged = 5;

struct PageEvent {
  uint32_t code = kEventClick;
  ElementRef target;
  ElementRef source;
  intptr_t reason = 0;
  std::string data;
};

class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void OnPageEvent(const ElementRef& element, const PageEvent& event) = 0;
};

class EngineWindow {
 public:
  virtual ~EngineWindow() = default;

  // Loads a page file by full path. A missing file gives an empty document.
  virtual bool LoadFile(const std::string& path) = 0;
  virtual ElementRef Root() = 0;
  // First element in document order whose id equals `id` exactly.
  virtual ElementRef FindById(const std::string& id) = 0;
  // Same lookup inside the document loaded into frame `frame_id`.
  virtual ElementRef FindInFrame(const std::string& frame_id, const std::string& id) = 0;
  // Child 0 of a frame element is the root of the frame's document.
  virtual ElementRef NthChild(const ElementRef& element, int n) = 0;
  // First element below `element` (itself excluded), in document order, whose
  // id equals `id`: rows built from one template all carry the same ids. The
  // default walks NthChild/GetAttribute; engines with a cheaper query override.
  virtual ElementRef FindBelow(const ElementRef& element, const std::string& id);

  virtual std::string GetAttribute(const ElementRef& element, const std::string& name) = 0;
  // No value removes the attribute.
  virtual void SetAttribute(const ElementRef& element, const std::string& name,
                            const std::optional<std::string>& value) = 0;
  virtual void SetText(const ElementRef& element, const std::string& text) = 0;
  virtual void SetStyle(const ElementRef& element, const std::string& name, const std::string& value) = 0;
  virtual void AppendHtml(const ElementRef& element, const std::string& html) = 0;
  virtual std::string GetValue(const ElementRef& element) = 0;
  virtual void SetValue(const ElementRef& element, const std::string& value) = 0;

  virtual void ShowPopup(const ElementRef& popup, const ElementRef& anchor) = 0;
  virtual void HidePopup(const ElementRef& popup) = 0;
  // Places a child browser view (maps, chart) over `host`, loading `page`
  // (a page-folder relative path such as "web_html/maps.htm").
  virtual void AttachChildView(const ElementRef& host, const std::string& page) = 0;
  // Calls the script function `function` of the page shown in the child view
  // over `host` with text arguments, in order, ignoring its result. Nothing
  // happens when there is no child view, its page has not loaded yet or does
  // not define the function. Engines without child views do nothing.
  virtual void CallChildFunction(const ElementRef& host, const std::string& function,
                                 const std::vector<std::string>& args) {
    (void)host, (void)function, (void)args;
  }

  void SetEventSink(EventSink* sink) { sink_ = sink; }
  EventSink* event_sink() const { return sink_; }

 protected:
  // Engines call this for every page event; nothing happens without a sink.
  void Deliver(const ElementRef& element, const PageEvent& event) {
    if (sink_) sink_->OnPageEvent(element, event);
  }

 private:
  EventSink* sink_ = nullptr;
};

inline ElementRef FindById(EngineWindow* window, const std::string& id) {
  return window ? window->FindById(id) : ElementRef();
}
inline ElementRef FindInFrame(EngineWindow* window, const std::string& frame_id, const std::string& id) {
  return window ? window->FindInFrame(frame_id, id) : ElementRef();
}

}  // namespace orv
