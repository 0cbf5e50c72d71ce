#include "desktop/page_dialog.h"

#include <algorithm>
#include <vector>

#include "app/app_state.h"
#include "app/cancellable.h"
#include "app/page_folder.h"
#include "desktop/ui_wait.h"

namespace orv::gtk {

namespace {

std::function<void(DialogPage&)>& Observer() {
  static std::function<void(DialogPage&)> observer;
  return observer;
}

struct DragBand {
  GtkWindow* dialog;
  int height;
};

// A captionless dialog moves when the diver drags its top band.
gboolean OnButtonPress(GtkWidget*, GdkEventButton* event, gpointer data) {
  auto* band = static_cast<DragBand*>(data);
  if (event->type != GDK_BUTTON_PRESS || event->button != 1 || event->y >= band->height) return FALSE;
  gtk_window_begin_move_drag(band->dialog, static_cast<int>(event->button), static_cast<int>(event->x_root),
                             static_cast<int>(event->y_root), event->time);
  return TRUE;
}

}  // namespace

void DialogPage::EndDialog(int result) {
  if (ended_) return;
  ended_ = true;
  result_ = result;
  g_main_context_wakeup(nullptr);  // the modal wait looks again
}

GtkWindow* ActiveWindow() {
  GList* list = gtk_window_list_toplevels();
  GtkWindow* active = nullptr;
  for (GList* l = list; l; l = l->next)
    if (gtk_window_is_active(GTK_WINDOW(l->data))) active = GTK_WINDOW(l->data);
  g_list_free(list);
  return active ? active : static_cast<GtkWindow*>(MainWindow);
}

void SetDialogObserver(std::function<void(DialogPage&)> observer) { Observer() = std::move(observer); }

namespace {
int watchdog_ms = 0;
}
void SetDialogWatchdog(int timeout_ms) { watchdog_ms = timeout_ms; }

namespace {
std::vector<DialogPage*> open_dialogs;
}

void EndOpenDialogs() {
  for (DialogPage* page : std::vector<DialogPage*>(open_dialogs))
    if (!page->StaysOpenOnStop()) page->EndDialog(-1);
}

int RunPageDialog(DialogPage& page, GtkWindow* owner) {
  if (ProgramStop().IsCancelled() && !page.StaysOpenOnStop()) return -1;
  if (!owner) owner = ActiveWindow();
  GtkWidget* dialog = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  if (!dialog) return -1;
  auto* win = GTK_WINDOW(dialog);
  page.dialog_ = win;
  gtk_window_set_decorated(win, FALSE);
  gtk_window_set_resizable(win, FALSE);
  gtk_window_set_modal(win, TRUE);
  gtk_window_set_type_hint(win, GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_skip_taskbar_hint(win, owner != nullptr);
  const bool owner_visible =
      owner && gtk_widget_get_visible(GTK_WIDGET(owner)) &&
      !(gdk_window_get_state(gtk_widget_get_window(GTK_WIDGET(owner))) & GDK_WINDOW_STATE_ICONIFIED);
  if (owner) gtk_window_set_transient_for(win, owner);
  gtk_window_set_position(win, owner_visible ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
  const int width = ScaledWidth(page.LogicalWidth());
  const int height = ScaledHeight(page.LogicalHeight());
  gtk_widget_set_size_request(dialog, width, height);
  gtk_window_set_default_size(win, width, height);

  GtkWidget* view = page.window().widget();
  gtk_container_add(GTK_CONTAINER(dialog), view);
  DragBand band{win, ScaledHeight(page.CaptionBand())};
  if (band.height > 0) g_signal_connect(view, "button-press-event", G_CALLBACK(OnButtonPress), &band);
  g_signal_connect(dialog, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer p) -> gboolean {
                     static_cast<DialogPage*>(p)->EndDialog(0);
                     return TRUE;
                   }),
                   &page);

  page.window().SetEventSink(&page);
  // The page's title, in the diver's language, names the window for screen
  // readers and window lists; the dialog has no caption of its own to show it.
  g_object_bind_property(view, "title", dialog, "title", G_BINDING_SYNC_CREATE);
  page.window().LoadFile(PagePath(page.PageName()));
  page.Fill();
  gtk_widget_show_all(dialog);
  // Keys go to the page from the start, so its first control is ready to type into.
  gtk_widget_grab_focus(view);
  if (Observer()) Observer()(page);

  struct Watch {
    DialogPage* page;
    bool fired = false;
  } watch{&page};
  guint watchdog = 0;
  if (watchdog_ms > 0)
    watchdog = g_timeout_add(
        static_cast<guint>(watchdog_ms),
        [](gpointer p) {
          auto* w = static_cast<Watch*>(p);
          w->fired = true;
          w->page->EndDialog(-99);
          return G_SOURCE_REMOVE;
        },
        &watch);
  // A stop that came while the page loaded found no open dialog to end.
  if (!page.ended_ && ProgramStop().IsCancelled() && !page.StaysOpenOnStop()) page.EndDialog(-1);
  if (!page.ended_) {
    open_dialogs.push_back(&page);
    UiWait::Get().SpinUntil([&page] { return page.ended_; }, 0);
    open_dialogs.erase(std::find(open_dialogs.begin(), open_dialogs.end(), &page));
  }
  if (watchdog && !watch.fired) g_source_remove(watchdog);
  page.window().SetEventSink(nullptr);
  g_signal_handlers_disconnect_by_data(view, &band);
  gtk_container_remove(GTK_CONTAINER(dialog), view);
  gtk_widget_destroy(dialog);
  page.dialog_ = nullptr;
  return page.result_;
}

}  // namespace orv::gtk
