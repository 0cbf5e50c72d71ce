// Helpers for GUI tests: acting in dialogs as the diver would and saving
// screenshots for a human look.
#pragma once

#include <functional>
#include <string>

#include "desktop/main_frame.h"
#include "desktop/page_dialog.h"
#include "desktop/webkit_window.h"

namespace orv::e2e {

extern bool have_display;

#define ORV_REQUIRE_DISPLAY() \
  if (!::orv::e2e::have_display) GTEST_SKIP() << "no display"

// Installs `act` as the dialog observer with a watchdog: a dialog still open
// after `timeout_ms` is ended with -99, so a broken flow fails instead of
// hanging the test.
void Observe(std::function<void(gtk::DialogPage&)> act, int timeout_ms = 15000);

// Clicks the element with `id` through the page itself (a real DOM click,
// reported by the page's own click listener).
void ClickInPage(gtk::WebKitWindow& window, const std::string& id, const std::string& frame = "");
// Types into a field and lets the page see an input event.
void TypeInPage(gtk::WebKitWindow& window, const std::string& id, const std::string& text);
// In the log edit dialog: opens the site search, looks for `text` in the
// service's catalogue and waits (5 s at most) for its rows.
void SearchCatalogueInLogEdit(gtk::WebKitWindow& window, const std::string& text);
// "<build>/screenshots/<name>.png"; false when it could not be written.
bool SaveScreenshot(gtk::WebKitWindow& window, const std::string& name);
// The same for a bare web view (a popup of its own context).
bool SaveViewScreenshot(WebKitWebView* view, const std::string& name);
// The screen area of `window` as shown, native overlays and all, to
// "<build>/screenshots/<name>.png"; false when it could not be written.
bool SaveWindowScreenshot(GtkWindow* window, const std::string& name);
// Runs `act` once from the main loop after `ms`, also inside a wait.
void After(int ms, std::function<void()> act);
// Runs the main loop until `done` or `timeout_ms`.
bool WaitFor(const std::function<bool()>& done, int timeout_ms);
// A signed-out program in English at scale 1, its settings in a file of
// this process's own (CTest runs the cases side by side).
void FreshEnglishState(const std::string& settings_name);
// The same in `lang` ("ENG" or "CHT").
void FreshState(const std::string& settings_name, const std::string& lang);
// Runs the sign-in dialog with a credential store of its own (nothing is
// kept anywhere) and returns what RunPageDialog returned.
int RunSignInDialog();
// The size the dialog window got.
void WindowSize(GtkWindow* window, int& width, int& height);
// The language and its page folder for the windows opened next.
void UseLanguage(const std::string& lang);

// The main window's handler of type T; null when it has none.
template <typename T>
T* HandlerOf(const gtk::MainFrame& frame) {
  for (const auto& h : frame.handlers())
    if (auto* found = dynamic_cast<T*>(h.get())) return found;
  return nullptr;
}

// The signed-in demo diver's whole log book (80 dives) saved in a copy of
// its own under `name` in the test folder, as "Keep the log book on this
// computer" saves it behind `main_page`; XDG_DATA_HOME points there while the
// scope lives. `ready` tells whether the save completed.
class SavedBookScope {
 public:
  SavedBookScope(EngineWindow* main_page, const std::string& name);
  ~SavedBookScope();
  bool ready = false;

 private:
  std::string outer_;
  bool had_outer_ = false;
};

}  // namespace orv::e2e
