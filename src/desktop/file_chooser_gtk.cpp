#include "desktop/file_chooser_gtk.h"

#include <gtk/gtk.h>

#include "app/app_state.h"

namespace orv::gtk {

namespace {

GtkWindow* ActiveWindow() {
  GList* windows = gtk_window_list_toplevels();
  GtkWindow* active = nullptr;
  for (GList* l = windows; l; l = l->next)
    if (gtk_window_is_active(GTK_WINDOW(l->data))) active = GTK_WINDOW(l->data);
  g_list_free(windows);
  return active ? active : static_cast<GtkWindow*>(MainWindow);
}

void AddFilter(GtkFileChooser* chooser, const char* name, const char* pattern) {
  GtkFileFilter* filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, name);
  gtk_file_filter_add_pattern(filter, pattern);
  gtk_file_chooser_add_filter(chooser, filter);  // takes the floating reference
}

bool HasExtension(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
}

std::optional<std::string> Run(GtkFileChooserAction action) {
  const bool save = action == GTK_FILE_CHOOSER_ACTION_SAVE;
  GtkFileChooserNative* native = gtk_file_chooser_native_new(nullptr, ActiveWindow(), action, nullptr, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(native);
  AddFilter(chooser, "Dive Site Files (*.ds)", "*.ds");
  AddFilter(chooser, "All Files (*.*)", "*");
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(native), TRUE);
  if (save) {
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
    gtk_file_chooser_set_current_name(chooser, "divesite.ds");
  }
  std::optional<std::string> result;
  if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(native)) == GTK_RESPONSE_ACCEPT) {
    if (char* name = gtk_file_chooser_get_filename(chooser)) {
      result = name;
      g_free(name);
    }
  }
  g_object_unref(native);
  // The default extension: a name typed without one gets ".ds", unless that
  // would replace a file the dialog never asked about.
  if (save && result && !HasExtension(*result) && !g_file_test((*result + ".ds").c_str(), G_FILE_TEST_EXISTS))
    *result += ".ds";
  return result;
}

}  // namespace

std::optional<std::string> FileChooserGtk::Open() { return Run(GTK_FILE_CHOOSER_ACTION_OPEN); }
std::optional<std::string> FileChooserGtk::Save() { return Run(GTK_FILE_CHOOSER_ACTION_SAVE); }

}  // namespace orv::gtk
