#include "e2e/gui_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include <json/json.h>

#include "app/app_state.h"
#include "app/page_folder.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "desktop/background_sync.h"
#include "desktop/login_dlg.h"
#include "logbook/write_through.h"

namespace orv::e2e {

bool have_display = false;

namespace {
std::string Quote(const std::string& s) {
  Json::StreamWriterBuilder b;
  b["indentation"] = "";
  return Json::writeString(b, Json::Value(s));
}
}  // namespace

void Observe(std::function<void(gtk::DialogPage&)> act, int timeout_ms) {
  gtk::SetDialogWatchdog(timeout_ms);
  gtk::SetDialogObserver(std::move(act));
}

void ClickInPage(gtk::WebKitWindow& window, const std::string& id, const std::string& frame) {
  std::string doc = frame.empty() ? "document" : "document.getElementById(" + Quote(frame) + ").contentDocument";
  window.EvalForTest("const e = " + doc + ".getElementById(" + Quote(id) + "); if (e) e.click(); return '';");
}

void TypeInPage(gtk::WebKitWindow& window, const std::string& id, const std::string& text) {
  window.EvalForTest("const e = document.getElementById(" + Quote(id) + "); e.value = " + Quote(text) +
                     "; e.dispatchEvent(new Event('input')); return '';");
}

int RunSignInDialog() {
  MemoryCredentialStore store;
  gtk::LoginDlg login(&store);
  return gtk::RunPageDialog(login);
}

void SearchCatalogueInLogEdit(gtk::WebKitWindow& window, const std::string& text) {
  ClickInPage(window, "edit_ds");
  TypeInPage(window, "ds_name", text);
  ClickInPage(window, "search");
  WaitFor(
      [&] {
        return window.EvalForTest("return String(document.getElementById('cell_tbody').children.length);") != "0";
      },
      5000);
}

std::string ScreenshotDir() {
  std::string dir = std::string(ORVELLE_BIN_DIR) + "/../screenshots";
  std::filesystem::create_directories(dir);
  return dir;
}

bool SaveWindowScreenshot(GtkWindow* window, const std::string& name) {
  GdkWindow* top = gtk_widget_get_window(GTK_WIDGET(window));
  if (!top) return false;
  GdkRectangle area;
  gdk_window_get_frame_extents(top, &area);
  GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), area.x, area.y, area.width, area.height);
  if (!shot) return false;
  bool ok = gdk_pixbuf_save(shot, (ScreenshotDir() + "/" + name + ".png").c_str(), "png", nullptr, nullptr);
  g_object_unref(shot);
  return ok;
}

void After(int ms, std::function<void()> act) {
  g_timeout_add_full(
      G_PRIORITY_DEFAULT, static_cast<guint>(ms),
      [](gpointer data) -> gboolean {
        (*static_cast<std::function<void()>*>(data))();
        return G_SOURCE_REMOVE;
      },
      new std::function<void()>(std::move(act)),
      [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

bool SaveScreenshot(gtk::WebKitWindow& window, const std::string& name) {
  std::string dir = ScreenshotDir();
  // Let the page paint what was just written before taking the picture.
  WaitFor([] { return false; }, 300);
  return window.SaveSnapshot(dir + "/" + name + ".png");
}

bool SaveViewScreenshot(WebKitWebView* view, const std::string& name) {
  WaitFor([] { return false; }, 300);
  return gtk::SaveViewSnapshot(view, ScreenshotDir() + "/" + name + ".png");
}

void UseLanguage(const std::string& lang) {
  LanguageCode = lang;
  State().page_folder = MakePageFolder(ProgramFolder(), lang);
}

void FreshEnglishState(const std::string& settings_name) { FreshState(settings_name, "ENG"); }

void FreshState(const std::string& settings_name, const std::string& lang) {
  SetSettingsPath(::testing::TempDir() + "/" + settings_name + "." + std::to_string(::getpid()) + ".ini");
  ScaleX = ScaleY = 1.0f;
  State() = AppState{};
  UseLanguage(lang);
}

bool WaitFor(const std::function<bool()>& done, int timeout_ms) {
  gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(timeout_ms) * 1000;
  while (!done()) {
    if (g_get_monotonic_time() > deadline) return false;
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(2000);
  }
  return true;
}

void WindowSize(GtkWindow* window, int& width, int& height) { gtk_window_get_size(window, &width, &height); }

SavedBookScope::SavedBookScope(EngineWindow* main_page, const std::string& name) {
  const std::string folder = ::testing::TempDir() + "/" + name + "." + std::to_string(::getpid());
  std::filesystem::remove_all(folder);
  if (const char* outer = getenv("XDG_DATA_HOME")) outer_ = outer, had_outer_ = true;
  setenv("XDG_DATA_HOME", folder.c_str(), 1);
  if (OpenSavedCopyOnline({State().email, State().user_id, State().display_name})) return;
  gtk::StartBackgroundSync(main_page);
  ready = WaitFor([] { return ActiveSavedCopy()->DiveCount() == 80; }, 30000);
}

SavedBookScope::~SavedBookScope() {
  gtk::StopBackgroundSync();
  CloseSavedCopy();
  had_outer_ ? setenv("XDG_DATA_HOME", outer_.c_str(), 1) : unsetenv("XDG_DATA_HOME");
}

}  // namespace orv::e2e
