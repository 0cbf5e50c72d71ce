// The main window: "ORVELLE PC TOOL" on main.htm, its page handlers in their
// fixed order, and the account fields of the first tab.
#pragma once

#include <gtk/gtk.h>

#include <memory>

#include "app/func_base.h"
#include "desktop/webkit_window.h"

namespace orv::gtk {

class MainFrame {
 public:
  MainFrame();
  ~MainFrame();
  // Creates and shows the window on `main_page`; false when no window.
  bool Create(const std::string& main_page);
  GtkWindow* gtk_window() const { return window_; }
  WebKitWindow& page() { return page_; }
  const HandlerList& handlers() const { return handlers_; }

 private:
  void PageReady();
  // After the settings dialog: every screen follows the new settings.
  void Refresh(int settings_result);
  void FillAccountFields();
  // The main page's handler of type T; null when it has none.
  template <typename T>
  T* Handler() const {
    for (const auto& h : handlers_)
      if (auto* found = dynamic_cast<T*>(h.get())) return found;
    return nullptr;
  }

  GtkWindow* window_ = nullptr;
  WebKitWindow page_;
  HandlerList handlers_;
  std::unique_ptr<EventSink> sink_;
};

}  // namespace orv::gtk
