#include "desktop/main_frame.h"

#include <algorithm>

#include "account/offline_func.h"
#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/message_keys.h"
#include "app/program_messages.h"
#include "app/settings_refresh.h"
#include "app/string_table.h"
#include "app/sys_menu_func.h"
#include "browse/calendar_func.h"
#include "browse/history_func.h"
#include "desktop/background_sync.h"
#include "desktop/handler_set.h"
#include "desktop/setting_dlg.h"
#include "desktop/ui_wait.h"
#include "divelog/dive_map_func.h"
#include "explore/dive_list_func.h"
#include "logbook/write_through.h"
#include "sites/dive_site_func.h"

namespace orv::gtk {

namespace {

// Offline, a click on what needs the service is answered at once and goes
// no further: no handler starts an upload or update that can only fail.
class OfflineGateSink : public EventSink {
 public:
  explicit OfflineGateSink(const HandlerList& handlers) : handlers_(handlers) {}
  void OnPageEvent(const ElementRef& element, const PageEvent& event) override {
    if (OfflineFunc::NeedsService(event)) {
      ShowMessage(Tr(KeyOf(Msg::NeedsService)));
      return;
    }
    DeliverEvent(handlers_, element, event);
  }

 private:
  const HandlerList& handlers_;
};

}  // namespace

MainFrame::MainFrame() = default;

MainFrame::~MainFrame() {
  page_.SetEventSink(nullptr);
  for (auto& h : handlers_) h->detach();
  OnProgramMessage(kMsgSettingsChanged, nullptr);
  SetProgramMessagePoster(nullptr);
}

namespace {

// A window larger than the screen (a high display scale on a small
// monitor) cannot be used: it is made to fit the primary monitor's work
// area, and its page zoomed down by the same factor, so the whole layout
// stays in view instead of running off the screen's edge.
void FitIntoWorkArea(WebKitWebView* view, int& width, int& height) {
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = display ? gdk_display_get_primary_monitor(display) : nullptr;
  if (!monitor && display) monitor = gdk_display_get_monitor(display, 0);
  if (!monitor) return;
  GdkRectangle area{};
  gdk_monitor_get_workarea(monitor, &area);
  if (area.width <= 0 || area.height <= 0 || (width <= area.width && height <= area.height)) return;
  const double fit = std::min(static_cast<double>(area.width) / width, static_cast<double>(area.height) / height);
  width = static_cast<int>(width * fit);
  height = static_cast<int>(height * fit);
  webkit_web_view_set_zoom_level(view, webkit_web_view_get_zoom_level(view) * fit);
}

}  // namespace

bool MainFrame::Create(const std::string& main_page) {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  if (!window) return false;
  window_ = GTK_WINDOW(window);
  gtk_window_set_title(window_, "ORVELLE PC TOOL");
  gtk_window_set_icon_name(window_, "orvelle-pc-tool");
  int width = ScaledWidth(980), height = ScaledHeight(700);
  FitIntoWorkArea(WEBKIT_WEB_VIEW(page_.widget()), width, height);
  gtk_window_set_default_size(window_, width, height);
  gtk_window_set_position(window_, GTK_WIN_POS_CENTER);
  gtk_container_add(GTK_CONTAINER(window), page_.widget());
  MainWindow = window_;
  g_signal_connect(window, "destroy", G_CALLBACK(+[](GtkWidget* w, gpointer) {
                     if (MainWindow == w) MainWindow = nullptr;
                   }),
                   nullptr);

  // Program messages are handled in order on the UI thread, and kept with
  // the page events while a service request waits.
  SetProgramMessagePoster(QueueProgramMessage);

  page_.LoadFile(main_page);
  // Shown before the handlers' first requests: the page fills in as they
  // complete, and a slow service never leaves the screen empty.
  gtk_widget_show_all(window);
  if (page_.Root()) PageReady();
  return true;
}

void MainFrame::PageReady() {
  handlers_ = MakeMainHandlers();
  sink_ = std::make_unique<OfflineGateSink>(handlers_);
  page_.SetEventSink(sink_.get());
  // The account needs no request: it shows while the handlers' requests run.
  FillAccountFields();
  for (auto& h : handlers_) h->attach(&page_);
  // Last: its page would hold up the log book's own reads while it loads.
  if (auto* detail = Handler<DiveMapFunc>()) detail->LoadDetail();
  if (auto* menu = Handler<SysMenuFunc>()) {
    menu->on_setting = [] {
      SettingDlg dlg;
      SettingsResult r = RunPageDialog(dlg);
      if (r != kSettingsUnchanged) PostProgramMessage(ProgramMessage{kMsgSettingsChanged, r});
    };
    menu->on_tab_shown = [site_page = Handler<sites::DiveSiteFunc>(), dives = Handler<DiveListFunc>()](int tab) {
      if (tab == 2 && site_page) site_page->ShowPage();
      if (tab == 3 && dives) dives->Show();
    };
  }
  OnProgramMessage(kMsgSettingsChanged, [this](const ProgramMessage& m) { Refresh(static_cast<int>(m.word)); });
}

void MainFrame::Refresh(int settings_result) {
  RefreshHooks hooks;
  if (auto* history = Handler<HistoryFunc>()) {
    hooks.redraw_statistics = [history] { history->Show(); };
    hooks.reload_statistics = [history] { history->Reload(); };
  }
  if (auto* calendar = Handler<CalendarFunc>()) hooks.restart_calendar = [calendar] { calendar->Start(); };
  hooks.fill_account = [this] { FillAccountFields(); };
  RefreshAfterSettings(page_, settings_result, hooks);
  // The detail page follows: after a unit change it starts empty; a new
  // main page needs the detail view placed in it again.
  if (auto* detail = Handler<DiveMapFunc>()) {
    if (settings_result == kSettingsUnit) {
      detail->ReloadDetail();
    } else {
      detail->attach(&page_);
      detail->LoadDetail();
    }
  }
  // A new main page shows the offline band again while it holds; back
  // online, the log book's background save resumes.
  if (auto* offline = Handler<OfflineFunc>(); offline && settings_result != kSettingsUnit) offline->attach(&page_);
  StartBackgroundSync(&page_);
  // The dive site map shows no units; only a new main page needs it again.
  if (auto* site_page = Handler<sites::DiveSiteFunc>(); site_page && settings_result != kSettingsUnit)
    site_page->Restart();
  // The list's texts carry the unit and the language; a new main page starts on the log book.
  if (auto* dives = Handler<DiveListFunc>(); dives && settings_result == kSettingsUnit) dives->Show();
  if (auto* dives = Handler<DiveListFunc>(); dives && settings_result != kSettingsUnit) dives->attach(&page_);
  if (auto* menu = Handler<SysMenuFunc>(); menu && settings_result != kSettingsUnit) menu->attach(&page_);
}

void MainFrame::FillAccountFields() {
  const AppState& s = State();
  // Without a picture the page keeps its own placeholder instead of a broken image.
  if (!s.profile_image.empty()) page_.FindInFrame("framepage1", "thumbnails").SetAttr("src", s.profile_image);
  page_.FindInFrame("framepage1", "display").SetText(s.display_name);
  page_.FindInFrame("framepage1", "email").SetText(s.email);
}

}  // namespace orv::gtk
