// The WebKit engine behind the engine interface: one web view, element
// handles kept by the bridge script, writes gathered and sent in order as one
// script without waiting, reads answered through a nested main-loop wait, and
// page events handed to the UI's wait owner (ui_wait.h), which keeps them
// while a handler of this window runs so that no handler is ever re-entered.
#pragma once

#include <json/value.h>
#include <webkit2/webkit2.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/engine.h"

namespace orv::gtk {

// Writes a PNG of what `view` shows, waiting (bounded) for WebKit to take
// it; false on failure.
bool SaveViewSnapshot(WebKitWebView* view, const std::string& png_path);

class WebKitWindow : public EngineWindow {
 public:
  WebKitWindow();
  ~WebKitWindow() override;
  WebKitWindow(const WebKitWindow&) = delete;
  WebKitWindow& operator=(const WebKitWindow&) = delete;

  GtkWidget* widget() const { return GTK_WIDGET(view_); }
  WebKitWebView* view() const { return view_; }

  // Loads and waits (bounded) until the page and its frames have loaded.
  bool LoadFile(const std::string& path) override;
  ElementRef Root() override;
  ElementRef FindById(const std::string& id) override;
  ElementRef FindInFrame(const std::string& frame_id, const std::string& id) override;
  ElementRef NthChild(const ElementRef& element, int n) override;
  ElementRef FindBelow(const ElementRef& element, const std::string& id) override;
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
  void CallChildFunction(const ElementRef& host, const std::string& function,
                         const std::vector<std::string>& args) override;

  // Runs `script` in the top document and waits for its string result (tests
  // use it to act as the diver would).
  std::string EvalForTest(const std::string& script);
  // Writes a PNG of what the view shows; false on failure.
  bool SaveSnapshot(const std::string& png_path);

  // Sends the writes every window held back while a service request waited.
  static void FlushHeldWrites();
  // The busy popup's own events and writes go while a request holds
  // everyone else's.
  void set_outside_holds(bool outside) { outside_holds_ = outside; }

  // Used by the handle nodes when they go.
  void DropHandle(int64_t handle, int generation);

 private:
  struct Arg {
    Arg(int64_t v) : is_text(false), number(v) {}
    Arg(std::string v) : is_text(true), text(std::move(v)) {}
    Arg(const char* v) : is_text(true), text(v) {}
    bool is_text;
    int64_t number = 0;
    std::string text;
  };
  struct Result {
    bool ok = false;
    double number = 0;
    std::string text;
  };
  using Args = std::vector<std::pair<const char*, Arg>>;
  static GVariant* PackArgs(const Args& args);
  // Queues one write: the bridge's operation `op` with its arguments. Writes
  // reach the page in the order they were made, together, when the main loop
  // next runs (while a service request waits: once it is answered, or after
  // a moment) or before anything that must see them (a read, a load, a
  // snapshot, another window's write).
  void Write(const char* op, std::initializer_list<Json::Value> args);
  void Flush();
  void ScheduleFlush();
  Result CallAndWait(const char* body, const Args& args);
  ElementRef RefFor(int64_t handle);
  int64_t HandleOf(const ElementRef& element) const;
  void OnScriptMessage(JSCValue* value);

  WebKitUserContentManager* content_;
  WebKitWebView* view_;
  std::string page_folder_uri_;
  bool outside_holds_ = false;
  // What the page sent with the event being delivered: its target, and the
  // target's id, "objid" and field value as they were when clicked. Each is
  // answered from here until the handler writes it; handle 0 when none.
  struct Delivering {
    int64_t handle = 0;
    std::string id;
    std::optional<std::string> objid, value;
  };
  Delivering delivering_;
  bool Delivers(const ElementRef& element) const;
  // Reads a text member of the page's message; none when it is absent.
  static std::optional<std::string> TextMember(JSCValue* message, const char* name);
  bool loading_ = false;
  int generation_ = 0;
  Json::Value writes_{Json::arrayValue};  // not sent yet, oldest first
  guint flush_source_ = 0;
};

}  // namespace orv::gtk
