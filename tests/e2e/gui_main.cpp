// Entry of the GUI test programs: GTK and the web engine start once per
// process; without a display every test is skipped (CTest lists the tests
// at build time, where there is none).
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "desktop/generic_dialogs.h"
#include "desktop/tile_scheme.h"
#include "desktop/ui_wait.h"
#include "desktop/web_views.h"
#include "e2e/gui_support.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  orv::e2e::have_display = gtk_init_check(&argc, &argv);
  if (orv::e2e::have_display) {
    orv::gtk::MarkUiThread();
    orv::gtk::InstallRequestWaitRunner();
    orv::gtk::InitWebEngine();
  }
  const int failed = RUN_ALL_TESTS();
  if (orv::e2e::have_display) orv::gtk::StopTileService();
  return failed;
}
