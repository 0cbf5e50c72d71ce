// The page handler interface and the delivery of page events to a list of
// handlers.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/engine.h"

namespace orv {

class func_base {
 public:
  virtual ~func_base() = default;
  // Remembers the window whose document the handler works on and prepares
  // the handler's part of the page.
  virtual void attach(EngineWindow* window) { window_ = window; }
  virtual void detach() {}
  virtual void reserved() {}
  virtual void on_event(const ElementRef& element, const PageEvent& event) = 0;

  // The window the handler is attached to; null before attach.
  EngineWindow* window() const { return window_; }

 protected:
  ElementRef Find(const std::string& id) const { return FindById(window_, id); }
  // The id of the event's target when the event is a plain click, else empty.
  static std::string ClickedId(const PageEvent& event);

 private:
  EngineWindow* window_ = nullptr;
};

using HandlerList = std::vector<std::unique_ptr<func_base>>;

// Gives the event to every handler in list order.
void DeliverEvent(const HandlerList& handlers, const ElementRef& element, const PageEvent& event);

// Event sink of a window whose events go to a handler list.
class HandlerListSink : public EventSink {
 public:
  explicit HandlerListSink(const HandlerList& handlers) : handlers_(handlers) {}
  void OnPageEvent(const ElementRef& element, const PageEvent& event) override {
    DeliverEvent(handlers_, element, event);
  }

 private:
  const HandlerList& handlers_;
};

}  // namespace orv
