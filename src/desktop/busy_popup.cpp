#include "desktop/busy_popup.h"

#include <utility>
#include <vector>

#include "app/app_state.h"
#include "app/page_folder.h"
#include "app/wait_purpose.h"
#include "desktop/page_dialog.h"
#include "desktop/ui_wait.h"

namespace orv::gtk {

namespace {

constexpr int kWidth = 360;  // logical pixels, scaled like every dialog
constexpr int kHeight = 92;

// Its page stays loaded from one wait to the next: loading it costs a nested
// wait of its own, which only the first wait (or a new language) pays.
class BusyPage : public EventSink {
 public:
  BusyPage() {
    page_.set_outside_holds(true);
    page_.SetEventSink(this);
    // A popup never takes the focus. The view is in it before its first
    // load: loaded unparented, WebKit would never draw it on screen.
    window_ = GTK_WINDOW(gtk_window_new(GTK_WINDOW_POPUP));
    gtk_widget_set_name(GTK_WIDGET(window_), "orv-busy");
    gtk_container_add(GTK_CONTAINER(window_), page_.widget());
    gtk_widget_show(page_.widget());
  }
  ~BusyPage() override {
    page_.SetEventSink(nullptr);
    if (window_) gtk_widget_destroy(GTK_WIDGET(window_));
  }
  BusyPage(const BusyPage&) = delete;
  BusyPage& operator=(const BusyPage&) = delete;

  bool Ready() {
    const std::string path = PagePath("busy.htm");
    if (path == loaded_) return true;
    loaded_.clear();
    if (!page_.LoadFile(path)) return false;
    loaded_ = path;
    text_ = page_.FindById("MsgText");
    cancel_ = page_.FindById("cancel");
    return true;
  }
  void Show(GtkWindow* owner) {
    const int width = ScaledWidth(kWidth), height = ScaledHeight(kHeight);
    gtk_widget_set_size_request(GTK_WIDGET(window_), width, height);
    gtk_window_set_transient_for(window_, owner);
    GdkRectangle area{0, 0, 0, 0};
    if (GdkWindow* top = gtk_widget_get_window(GTK_WIDGET(owner))) gdk_window_get_frame_extents(top, &area);
    gtk_window_move(window_, area.x + (area.width - width) / 2, area.y + (area.height - height) / 2);
    text_.SetText(Tr(CurrentWaitPurpose()));
    cancel_.RemoveAttr("disabled");
    gtk_widget_show(GTK_WIDGET(window_));
    shown_ = true;
  }
  void Hide() {
    if (window_) gtk_widget_hide(GTK_WIDGET(window_));
    shown_ = false;
  }
  void MarkCancelled() { cancel_.SetAttr("disabled", "disabled"); }
  bool shown() const { return shown_; }
  GtkWindow* window() const { return window_; }
  WebKitWindow& page() { return page_; }

 private:
  void OnPageEvent(const ElementRef&, const PageEvent& event) override {
    if (event.code == kEventClick && event.target.Attr("id") == "cancel") UiWait::Get().CancelRequests();
  }

  WebKitWindow page_;
  GtkWindow* window_ = nullptr;
  std::string loaded_;  // the page file shown, empty before the first load
  ElementRef text_;
  ElementRef cancel_;
  bool shown_ = false;
};

// Kept for the whole process: gone only with it, never in the middle of the
// static teardown of the windows it belongs to.
BusyPage*& Page() {
  static BusyPage* page = nullptr;
  return page;
}

std::vector<std::pair<GdkWindow*, GdkCursor*>>& Cursors() {  // to put back afterwards
  static std::vector<std::pair<GdkWindow*, GdkCursor*>> cursors;
  return cursors;
}

// The window the diver looks at: the focused one, else (no window manager)
// the innermost shown modal window, else the main window.
GtkWindow* BusyOwner() {
  GList* list = gtk_window_list_toplevels();
  std::vector<GtkWindow*> modals;
  for (GList* l = list; l; l = l->next) {
    auto* w = GTK_WINDOW(l->data);
    if (gtk_widget_get_visible(GTK_WIDGET(w)) && gtk_window_get_modal(w)) modals.push_back(w);
  }
  g_list_free(list);
  GtkWindow* modal = nullptr;
  for (GtkWindow* m : modals) {
    bool has_child = false;
    for (GtkWindow* other : modals) has_child = has_child || gtk_window_get_transient_for(other) == m;
    if (!has_child) modal = m;
  }
  GtkWindow* active = ActiveWindow();
  if (active && active != static_cast<GtkWindow*>(MainWindow) && gtk_widget_get_visible(GTK_WIDGET(active)))
    return active;
  return modal ? modal : active;
}

void SetBusyCursor(GtkWindow* owner) {
  GdkWindow* top = gtk_widget_get_window(GTK_WIDGET(owner));
  if (!top) return;
  GdkDisplay* display = gdk_window_get_display(top);
  GdkCursor* wait = gdk_cursor_new_from_name(display, "wait");
  if (!wait) wait = gdk_cursor_new_for_display(display, GDK_WATCH);  // no cursor theme
  // The web view's own window (somewhere below) sets its cursor itself; every
  // window of the owner gets the busy one.
  std::vector<GdkWindow*> targets{top};
  for (size_t i = 0; i < targets.size(); ++i)
    for (GList* c = gdk_window_peek_children(targets[i]); c; c = c->next) targets.push_back(GDK_WINDOW(c->data));
  for (GdkWindow* target : targets) {
    GdkCursor* before = gdk_window_get_cursor(target);
    if (before) g_object_ref(before);
    Cursors().emplace_back(GDK_WINDOW(g_object_ref(target)), before);
    gdk_window_set_cursor(target, wait);
  }
  if (wait) g_object_unref(wait);
}

void RestoreCursors() {
  for (auto [window, cursor] : Cursors()) {
    if (!gdk_window_is_destroyed(window)) gdk_window_set_cursor(window, cursor);
    if (cursor) g_object_unref(cursor);
    g_object_unref(window);
  }
  Cursors().clear();
}

}  // namespace

void BusyPopup::Show() {
  GtkWindow* owner = BusyOwner();
  if (!owner) return;
  if (!Page()) Page() = new BusyPage;
  if (!Page()->Ready()) return;
  // The request may have ended while the page loaded.
  if (!UiWait::Get().Holding()) return;
  Page()->Show(owner);
  SetBusyCursor(owner);
}

void BusyPopup::Hide() {
  if (Page()) Page()->Hide();
  RestoreCursors();
}

void BusyPopup::MarkCancelled() {
  if (Page() && Page()->shown()) Page()->MarkCancelled();
}

GtkWindow* BusyPopup::ShownWindow() { return Page() && Page()->shown() ? Page()->window() : nullptr; }

WebKitWindow* BusyPopup::ShownPage() { return Page() && Page()->shown() ? &Page()->page() : nullptr; }

}  // namespace orv::gtk
