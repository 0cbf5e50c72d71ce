#include "desktop/export_ui_gtk.h"

#include "app/message_keys.h"
#include "app/string_table.h"

namespace orv::gtk {

namespace {

GtkFileFilter* AddFilter(GtkFileChooser* chooser, const std::string& name, const char* pattern) {
  GtkFileFilter* filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, name.c_str());
  gtk_file_filter_add_pattern(filter, pattern);
  gtk_file_chooser_add_filter(chooser, filter);  // takes the floating reference
  return filter;
}

}  // namespace

bool ExportUiGtk::AskRange(MonthRange& range) {
  ExportDlg dlg(range);
  return RunPageDialog(dlg) == 1;
}

std::optional<std::string> ExportUiGtk::ChooseFile() {
  GtkFileChooserNative* native = gtk_file_chooser_native_new(Tr(KeyOf(Msg::ExportSaveTitle)).c_str(), ActiveWindow(),
                                                             GTK_FILE_CHOOSER_ACTION_SAVE, nullptr, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(native);
  GtkFileFilter* uddf = AddFilter(chooser, Tr(KeyOf(Msg::ExportFilterUddf)), "*.uddf");
  AddFilter(chooser, Tr(KeyOf(Msg::ExportFilterCsv)), "*.csv");
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(native), TRUE);
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
  gtk_file_chooser_set_current_name(chooser, "logbook.uddf");
  std::optional<std::string> result;
  bool uddf_chosen = true;
  if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(native)) == GTK_RESPONSE_ACCEPT) {
    uddf_chosen = gtk_file_chooser_get_filter(chooser) == uddf;
    if (char* name = gtk_file_chooser_get_filename(chooser)) {
      result = name;
      g_free(name);
    }
  }
  g_object_unref(native);
  // A name typed without either extension takes the one of the filter
  // chosen, unless that would replace a file the dialog never asked about.
  if (result && ExportFormatOf(*result) == ExportFormat::Unknown) {
    const std::string named = *result + (uddf_chosen ? ".uddf" : ".csv");
    if (g_file_test(named.c_str(), G_FILE_TEST_EXISTS)) return std::nullopt;
    result = named;
  }
  return result;
}

void ExportProgressDlg::OnEvent(const ElementRef&, const PageEvent& event) {
  if (event.code != kEventClick || event.target.Attr("id") != "cancel" || cancel_.IsCancelled()) return;
  cancel_.Cancel();
  window().FindById("cancel").SetAttr("disabled", "disabled");
}

void ExportUiGtk::RunWithProgress(const std::function<void(ProgressSink&)>& work) {
  ExportProgressDlg dlg;
  RunProgressDialog(dlg, work);
}

}  // namespace orv::gtk
