#include "desktop/request_wait.h"

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

#include "app/app_state.h"
#include "desktop/generic_dialogs.h"
#include "desktop/page_dialog.h"
#include "desktop/webkit_window.h"
#include "app/program_messages.h"
#include "app/string_table.h"
#include "cloud/transfer_runner.h"

namespace orv::gtk {

namespace {

// Quick answers never flash the overlay.
constexpr guint kBusyDelayMs = 400;

struct Waits {
  std::vector<std::atomic<bool>*> cancels;  // every wait now running, innermost last
  guint busy_timer = 0;
  GtkWidget* overlay = nullptr;
  GtkWidget* cancel_button = nullptr;
  std::vector<std::pair<GdkWindow*, GdkCursor*>> cursors;  // to put back afterwards
};

Waits& W() {
  static Waits waits;
  return waits;
}

void CancelAll() {
  for (auto* cancel : W().cancels) *cancel = true;
  if (W().cancel_button) gtk_widget_set_sensitive(W().cancel_button, FALSE);
}

bool IsInput(GdkEventType type) {
  switch (type) {
    case GDK_MOTION_NOTIFY: case GDK_BUTTON_PRESS: case GDK_2BUTTON_PRESS: case GDK_3BUTTON_PRESS:
    case GDK_BUTTON_RELEASE: case GDK_KEY_PRESS: case GDK_KEY_RELEASE: case GDK_SCROLL:
    case GDK_TOUCH_BEGIN: case GDK_TOUCH_UPDATE: case GDK_TOUCH_END: case GDK_TOUCH_CANCEL:
    case GDK_TOUCHPAD_SWIPE: case GDK_TOUCHPAD_PINCH: case GDK_DELETE:
    case GDK_DRAG_ENTER: case GDK_DRAG_MOTION: case GDK_DROP_START:
      return true;
    default:
      return false;
  }
}

// GTK's own handling, as outside a wait.
void PassInput(GdkEvent* event, gpointer) { gtk_main_do_event(event); }

// Everything the diver does goes nowhere while a request waits, except into
// the overlay; Escape anywhere is the same as its Cancel.
void HoldInput(GdkEvent* event, gpointer) {
  if (IsInput(event->type)) {
    GtkWidget* overlay = W().overlay;
    const bool ours = overlay && event->any.window &&
                      gdk_window_get_toplevel(event->any.window) == gtk_widget_get_window(overlay);
    if (!ours) {
      if (overlay && event->type == GDK_KEY_PRESS && event->key.keyval == GDK_KEY_Escape) CancelAll();
      return;
    }
  }
  gtk_main_do_event(event);
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
    W().cursors.emplace_back(GDK_WINDOW(g_object_ref(target)), before);
    gdk_window_set_cursor(target, wait);
  }
  if (wait) g_object_unref(wait);
}

void RestoreCursors() {
  for (auto [window, cursor] : W().cursors) {
    if (!gdk_window_is_destroyed(window)) gdk_window_set_cursor(window, cursor);
    if (cursor) g_object_unref(cursor);
    g_object_unref(window);
  }
  W().cursors.clear();
}

gboolean ShowBusy(gpointer) {
  W().busy_timer = 0;
  GtkWindow* owner = BusyOwner();
  if (!owner) return G_SOURCE_REMOVE;
  // A popup of its own above the owner: it never takes the focus, so the
  // owner stays the active window for whatever the handler shows next.
  GtkWidget* overlay = gtk_window_new(GTK_WINDOW_POPUP);
  gtk_window_set_transient_for(GTK_WINDOW(overlay), owner);
  gtk_widget_set_name(overlay, "orv-busy");
  GtkWidget* frame = gtk_frame_new(nullptr);
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 16);
  gtk_container_set_border_width(GTK_CONTAINER(box), 16);
  GtkWidget* spinner = gtk_spinner_new();
  gtk_spinner_start(GTK_SPINNER(spinner));
  GtkWidget* label = gtk_label_new(Tr("BUSY_WORKING").c_str());
  GtkWidget* button = gtk_button_new_with_label(Tr("BUSY_CANCEL").c_str());
  g_signal_connect(button, "clicked", G_CALLBACK(+[](GtkButton*, gpointer) { CancelAll(); }), nullptr);
  gtk_box_pack_start(GTK_BOX(box), spinner, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), label, TRUE, TRUE, 0);
  gtk_box_pack_end(GTK_BOX(box), button, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(frame), box);
  gtk_container_add(GTK_CONTAINER(overlay), frame);
  gtk_widget_show_all(frame);

  GtkRequisition size;
  gtk_widget_get_preferred_size(overlay, nullptr, &size);
  GdkRectangle area{0, 0, 0, 0};
  if (GdkWindow* top = gtk_widget_get_window(GTK_WIDGET(owner))) gdk_window_get_frame_extents(top, &area);
  gtk_window_move(GTK_WINDOW(overlay), area.x + (area.width - size.width) / 2,
                  area.y + (area.height - size.height) / 2);
  gtk_widget_show(overlay);
  W().overlay = overlay;
  W().cancel_button = button;
  SetBusyCursor(owner);
  return G_SOURCE_REMOVE;
}

void EndBusy() {
  if (W().busy_timer) g_source_remove(W().busy_timer);
  W().busy_timer = 0;
  if (W().overlay) gtk_widget_destroy(W().overlay);
  W().overlay = nullptr;
  W().cancel_button = nullptr;
  RestoreCursors();
}

// Messages that came in during the wait are handled from the main loop, in
// the order they came.
void HandBack(std::vector<ProgramMessage> kept) {
  for (const ProgramMessage& message : kept) {
    g_idle_add_full(
        G_PRIORITY_DEFAULT_IDLE,
        [](gpointer data) -> gboolean {
          DispatchProgramMessage(*static_cast<ProgramMessage*>(data));
          return G_SOURCE_REMOVE;
        },
        new ProgramMessage(message), [](gpointer data) { delete static_cast<ProgramMessage*>(data); });
  }
}

void RunWhileWindowsLive(const std::function<void()>& perform, std::atomic<bool>& cancel) {
  if (!OnUiThread()) {
    perform();
    return;
  }
  Waits& w = W();
  const bool outer = w.cancels.empty();
  w.cancels.push_back(&cancel);
  if (outer) {
    gdk_event_handler_set(HoldInput, nullptr, nullptr);
    HoldProgramMessages();
    WebKitWindow::HoldPageEvents();
    w.busy_timer = g_timeout_add(kBusyDelayMs, ShowBusy, nullptr);
  }
  std::atomic<bool> done{false};
  std::thread worker([&] {
    perform();
    done = true;
    g_main_context_wakeup(nullptr);
  });
  while (!done) g_main_context_iteration(nullptr, TRUE);
  worker.join();
  w.cancels.pop_back();
  if (outer) {
    EndBusy();
    gdk_event_handler_set(PassInput, nullptr, nullptr);
    WebKitWindow::ReleasePageEvents();
    HandBack(ReleaseProgramMessages());
  }
}

}  // namespace

void InstallRequestWaitRunner() { SetTransferRunner(RunWhileWindowsLive); }

GtkWindow* BusyOverlay() { return W().overlay ? GTK_WINDOW(W().overlay) : nullptr; }
GtkButton* BusyCancelButton() { return W().cancel_button ? GTK_BUTTON(W().cancel_button) : nullptr; }

}  // namespace orv::gtk
