#include "desktop/webkit_window.h"

#include <cairo.h>
#include <json/writer.h>

#include <set>

#include "app/program_messages.h"

#include "desktop/ui_wait.h"
#include "desktop/web_views.h"

namespace orv::gtk {

namespace {

// Each element the native side holds keeps one use in the page's handle
// table; the use is given back when the last reference goes.
struct WebNode : ElementNode {
  WebNode(WebKitWindow* w, int64_t h, int g) : window(w), handle(h), generation(g) {}
  ~WebNode() override { window->DropHandle(handle, generation); }
  WebKitWindow* window;
  int64_t handle;
  int generation;  // which page load the handle belongs to
};

constexpr int kLoadTimeoutMs = 15000;
std::set<WebKitWindow*> live_windows;
// The window whose writes are still queued: another window's write sends
// them first, so writes leave in the order they were made across windows.
WebKitWindow* window_with_writes = nullptr;
constexpr int kCallTimeoutMs = 10000;
// How long writes made before a service request may wait for its answer.
constexpr guint kHeldWritesMs = 300;

std::string ValidUtf8(const std::string& s) {
  if (g_utf8_validate(s.data(), static_cast<gssize>(s.size()), nullptr)) return s;
  gchar* fixed = g_utf8_make_valid(s.data(), static_cast<gssize>(s.size()));
  std::string out = fixed;
  g_free(fixed);
  return out;
}

Json::Value Handle(int64_t handle) { return Json::Value(static_cast<Json::Int64>(handle)); }
Json::Value Text(const std::string& text) { return Json::Value(ValidUtf8(text)); }

// A child view's page reports its map events through window.external; each
// becomes a posted program message carrying the two numbers, so it is handled
// later on the UI thread and never inside the page's call.
void PostChildViewEvent(JSCValue* value) {
  static const struct {
    const char* name;
    int number;
  } kEvents[] = {{"on_mus_move_event", kMsgMapMouse},
                 {"on_poi_move_event", kMsgMarkerMoved},
                 {"on_get_map_center", kMsgMapCentre},
                 {"on_load_map_event", kMsgMapLoaded}};
  JSCValue* name_value = jsc_value_object_get_property(value, "mapEvent");
  char* name = jsc_value_to_string(name_value);
  g_object_unref(name_value);
  int number = 0;
  for (const auto& e : kEvents)
    if (name && g_strcmp0(name, e.name) == 0) number = e.number;
  g_free(name);
  if (number == 0) return;
  ProgramMessage message{number, 0, 0, 0};
  if (number != kMsgMapLoaded) {
    // Each argument is taken as a number; a call with fewer than two is ignored.
    JSCValue* args = jsc_value_object_get_property(value, "args");
    JSCValue* count = jsc_value_object_get_property(args, "length");
    const int n = jsc_value_is_number(count) ? jsc_value_to_int32(count) : 0;
    g_object_unref(count);
    if (n >= 2) {
      JSCValue* x = jsc_value_object_get_property_at_index(args, 0);
      JSCValue* y = jsc_value_object_get_property_at_index(args, 1);
      message.x = jsc_value_to_double(x);
      message.y = jsc_value_to_double(y);
      g_object_unref(x);
      g_object_unref(y);
    }
    g_object_unref(args);
    if (n < 2) return;
  }
  PostProgramMessage(message);
}

}  // namespace

WebKitWindow::WebKitWindow() : content_(NewBridgeContentManager()), view_(NewProgramView(content_)) {
  g_object_ref_sink(view_);
  live_windows.insert(this);
  g_signal_connect(content_, "script-message-received::orv",
                   G_CALLBACK(+[](WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer self) {
                     static_cast<WebKitWindow*>(self)->OnScriptMessage(webkit_javascript_result_get_js_value(result));
                   }),
                   this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent e, gpointer self) {
                     if (e == WEBKIT_LOAD_FINISHED) static_cast<WebKitWindow*>(self)->loading_ = false;
                   }),
                   this);
  g_signal_connect(view_, "load-failed",
                   G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent, gchar*, GError*, gpointer self) -> gboolean {
                     static_cast<WebKitWindow*>(self)->loading_ = false;
                     return FALSE;
                   }),
                   this);
}

WebKitWindow::~WebKitWindow() {
  Flush();
  live_windows.erase(this);
  UiWait::Get().Forget(this);
  g_signal_handlers_disconnect_by_data(view_, this);
  g_signal_handlers_disconnect_by_data(content_, this);
  g_object_unref(view_);
  g_object_unref(content_);
}

bool WebKitWindow::LoadFile(const std::string& path) {
  // Handles restart with every document; references into the old one must
  // never reach an element of the new one that happens to get its number.
  Flush();
  delivering_ = Delivering{};
  ++generation_;
  loading_ = true;
  UiWait::Busy busy(this);
  webkit_web_view_load_uri(view_, AppUriForFile(path).c_str());
  return UiWait::Get().SpinUntil([this] { return !loading_; }, kLoadTimeoutMs);
}

GVariant* WebKitWindow::PackArgs(const Args& args) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a{sv}"));
  for (const auto& [name, arg] : args)
    g_variant_builder_add(
        &builder, "{sv}", name,
        arg.is_text ? g_variant_new_string(ValidUtf8(arg.text).c_str()) : g_variant_new_int64(arg.number));
  return g_variant_builder_end(&builder);
}

void WebKitWindow::Write(const char* op, std::initializer_list<Json::Value> args) {
  if (window_with_writes && window_with_writes != this) window_with_writes->Flush();
  window_with_writes = this;
  Json::Value& entry = writes_.append(Json::Value(Json::arrayValue));
  entry.append(op);
  for (const Json::Value& arg : args) entry.append(arg);
  // A month's cells are well over a hundred writes; each its own script
  // would cost a round of WebKit's message passing and script setup apiece.
  if (!flush_source_) ScheduleFlush();
}

void WebKitWindow::ScheduleFlush() {
  flush_source_ = g_idle_add_full(
      G_PRIORITY_HIGH,
      [](gpointer self) {
        auto* w = static_cast<WebKitWindow*>(self);
        w->flush_source_ = 0;
        if (!UiWait::Get().Holding() || w->outside_holds_) {
          w->Flush();
          return G_SOURCE_REMOVE;
        }
        // A service request waits inside the handler. What the handler wrote
        // before it goes with what it writes after, as one change the page
        // draws once; only a request slow enough to notice shows it sooner.
        w->flush_source_ = g_timeout_add(
            kHeldWritesMs,
            [](gpointer self) {
              auto* w = static_cast<WebKitWindow*>(self);
              w->flush_source_ = 0;
              w->Flush();
              return G_SOURCE_REMOVE;
            },
            w);
        return G_SOURCE_REMOVE;
      },
      this, nullptr);
}

void WebKitWindow::Flush() {
  if (flush_source_) g_source_remove(flush_source_);
  flush_source_ = 0;
  if (window_with_writes == this) window_with_writes = nullptr;
  if (writes_.empty()) return;
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  builder["emitUTF8"] = true;
  const std::string batch = Json::writeString(builder, writes_);
  writes_ = Json::Value(Json::arrayValue);
  // The batch is data: parsed, never evaluated.
  webkit_web_view_call_async_javascript_function(view_, "window.__orv && window.__orv.run(JSON.parse(w));", -1,
                                                 PackArgs({{"w", batch}}), nullptr, nullptr, nullptr, nullptr, nullptr);
}

WebKitWindow::Result WebKitWindow::CallAndWait(const char* body, const Args& args) {
  struct Pending {
    bool done = false;
    Result result;
  };
  Flush();  // the answer must see every earlier write
  auto* pending = new Pending;
  // The pending record outlives a timed-out wait: the late answer frees it.
  webkit_web_view_call_async_javascript_function(
      view_, body, -1, PackArgs(args), nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* res, gpointer data) {
        auto* p = static_cast<Pending*>(data);
        GError* error = nullptr;
        JSCValue* value = webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(source), res, &error);
        if (value) {
          p->result.ok = true;
          if (jsc_value_is_number(value)) {
            p->result.number = jsc_value_to_double(value);
          } else if (jsc_value_is_string(value)) {
            char* s = jsc_value_to_string(value);
            p->result.text = s ? s : "";
            g_free(s);
          }
          g_object_unref(value);
        }
        if (error) g_error_free(error);
        if (p->done) {  // nobody waits any more
          delete p;
          return;
        }
        p->done = true;
      },
      pending);
  bool answered;
  {
    UiWait::Busy busy(this);
    answered = UiWait::Get().SpinUntil([&] { return pending->done; }, kCallTimeoutMs);
  }
  Result result;
  if (answered) {
    result = pending->result;
    delete pending;
  } else {
    pending->done = true;
  }
  return result;
}

ElementRef WebKitWindow::RefFor(int64_t handle) {
  if (handle <= 0) return {};
  return ElementRef(this, std::make_shared<WebNode>(this, handle, generation_));
}

int64_t WebKitWindow::HandleOf(const ElementRef& element) const {
  auto* node = dynamic_cast<WebNode*>(element.node());
  return node && node->generation == generation_ ? node->handle : 0;
}

void WebKitWindow::DropHandle(int64_t handle, int generation) {
  if (generation == generation_) Write("drop", {Handle(handle)});
}

ElementRef WebKitWindow::Root() {
  return RefFor(static_cast<int64_t>(CallAndWait("return window.__orv ? window.__orv.root() : 0;", {}).number));
}

ElementRef WebKitWindow::FindById(const std::string& id) { return FindInFrame("", id); }

ElementRef WebKitWindow::FindInFrame(const std::string& frame_id, const std::string& id) {
  auto r = CallAndWait("return window.__orv ? window.__orv.find(f, i) : 0;", {{"f", frame_id}, {"i", id}});
  return RefFor(static_cast<int64_t>(r.number));
}

ElementRef WebKitWindow::NthChild(const ElementRef& element, int n) {
  auto r = CallAndWait("return window.__orv.child(h, n);", {{"h", HandleOf(element)}, {"n", int64_t{n}}});
  return RefFor(static_cast<int64_t>(r.number));
}

ElementRef WebKitWindow::FindBelow(const ElementRef& element, const std::string& id) {
  auto r = CallAndWait("return window.__orv.below(h, i);", {{"h", HandleOf(element)}, {"i", id}});
  return RefFor(static_cast<int64_t>(r.number));
}

bool WebKitWindow::Delivers(const ElementRef& element) const {
  return delivering_.handle != 0 && HandleOf(element) == delivering_.handle;
}

std::string WebKitWindow::GetAttribute(const ElementRef& element, const std::string& name) {
  if (name == "id" && Delivers(element)) return delivering_.id;
  if (name == "objid" && delivering_.objid && Delivers(element)) return *delivering_.objid;
  return CallAndWait("return window.__orv.getAttr(h, a);", {{"h", HandleOf(element)}, {"a", name}}).text;
}

void WebKitWindow::SetAttribute(const ElementRef& element, const std::string& name,
                                const std::optional<std::string>& value) {
  if (name == "id" && Delivers(element)) delivering_.handle = 0;
  if (name == "objid" && Delivers(element)) delivering_.objid.reset();
  if (value)
    Write("setAttr", {Handle(HandleOf(element)), Text(name), Text(*value)});
  else
    Write("removeAttr", {Handle(HandleOf(element)), Text(name)});
}

void WebKitWindow::SetText(const ElementRef& element, const std::string& text) {
  Write("setText", {Handle(HandleOf(element)), Text(text)});
}

void WebKitWindow::SetStyle(const ElementRef& element, const std::string& name, const std::string& value) {
  Write("setStyle", {Handle(HandleOf(element)), Text(name), Text(value)});
}

void WebKitWindow::AppendHtml(const ElementRef& element, const std::string& html) {
  Write("appendHtml", {Handle(HandleOf(element)), Text(html)});
}

std::string WebKitWindow::GetValue(const ElementRef& element) {
  if (delivering_.value && Delivers(element)) return *delivering_.value;
  return CallAndWait("return window.__orv.getValue(h);", {{"h", HandleOf(element)}}).text;
}

void WebKitWindow::SetValue(const ElementRef& element, const std::string& value) {
  if (Delivers(element)) delivering_.value.reset();
  Write("setValue", {Handle(HandleOf(element)), Text(value)});
}

void WebKitWindow::ShowPopup(const ElementRef& popup, const ElementRef& anchor) {
  Write("showPopup", {Handle(HandleOf(popup)), Handle(HandleOf(anchor))});
}

void WebKitWindow::HidePopup(const ElementRef& popup) { Write("hidePopup", {Handle(HandleOf(popup))}); }

void WebKitWindow::AttachChildView(const ElementRef& host, const std::string& page) {
  Write("attachView", {Handle(HandleOf(host)), Text(page)});
}

void WebKitWindow::CallChildFunction(const ElementRef& host, const std::string& function,
                                     const std::vector<std::string>& args) {
  // The texts travel as data, at most eight of them; the function is looked
  // up by name on the child's window and must be a function of its own page.
  constexpr size_t kMaxArgs = 8;
  Json::Value texts(Json::arrayValue);
  for (size_t i = 0; i < args.size() && i < kMaxArgs; ++i) texts.append(Text(args[i]));
  Write("callView", {Handle(HandleOf(host)), Text(function), texts});
}

std::string WebKitWindow::EvalForTest(const std::string& script) {
  auto r = CallAndWait(script.c_str(), {});
  return r.text.empty() && r.number != 0 ? std::to_string(r.number) : r.text;
}

bool SaveViewSnapshot(WebKitWebView* view, const std::string& png_path) {
  struct Shot {
    bool done = false;
    cairo_surface_t* surface = nullptr;
  } shot;
  webkit_web_view_get_snapshot(
      view, WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE, nullptr,
      [](GObject* source, GAsyncResult* res, gpointer data) {
        auto* s = static_cast<Shot*>(data);
        s->surface = webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), res, nullptr);
        s->done = true;
      },
      &shot);
  if (!UiWait::Get().SpinUntil([&] { return shot.done; }, kCallTimeoutMs)) return false;
  if (!shot.surface) return false;
  bool ok = cairo_surface_write_to_png(shot.surface, png_path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(shot.surface);
  return ok;
}

bool WebKitWindow::SaveSnapshot(const std::string& png_path) {
  Flush();
  return SaveViewSnapshot(view_, png_path);
}

std::optional<std::string> WebKitWindow::TextMember(JSCValue* message, const char* name) {
  if (!jsc_value_object_has_property(message, name)) return std::nullopt;
  JSCValue* member = jsc_value_object_get_property(message, name);
  std::optional<std::string> text;
  if (jsc_value_is_string(member)) {
    char* chars = jsc_value_to_string(member);
    text = chars ? chars : "";
    g_free(chars);
  }
  g_object_unref(member);
  return text;
}

void WebKitWindow::OnScriptMessage(JSCValue* value) {
  if (!jsc_value_is_object(value)) return;
  if (jsc_value_object_has_property(value, "mapEvent")) {
    PostChildViewEvent(value);
    return;
  }
  JSCValue* code = jsc_value_object_get_property(value, "code");
  JSCValue* handle = jsc_value_object_get_property(value, "handle");
  const auto event_code = static_cast<uint32_t>(jsc_value_to_int32(code));
  Delivering sent;
  sent.handle = jsc_value_to_int32(handle);
  g_object_unref(code);
  g_object_unref(handle);
  sent.id = TextMember(value, "id").value_or("");
  sent.objid = TextMember(value, "objid");
  sent.value = TextMember(value, "value");
  // Delivered once no handler of this window runs or waits, so handlers are
  // never re-entered, and never while a service request holds events.
  UiWait::Get().Deliver(
      this,
      [this, event_code, sent = std::move(sent)] {
        ElementRef target = RefFor(sent.handle);
        PageEvent event;
        event.code = event_code;
        event.target = target;
        event.source = target;
        delivering_ = sent;
        if (!target) delivering_.handle = 0;
        Deliver(target, event);
        delivering_ = Delivering{};
      },
      !outside_holds_);
}

void WebKitWindow::FlushHeldWrites() {
  // Writes held back for the request go as soon as the handler lets go.
  for (WebKitWindow* w : live_windows)
    if (w->flush_source_) {
      g_source_remove(w->flush_source_);
      w->ScheduleFlush();
    }
}

}  // namespace orv::gtk
