#include "desktop/social_browser.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "account/social_sign_in.h"
#include "app/app_state.h"
#include "app/message_keys.h"
#include "app/program_messages.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "app/wait_purpose.h"
#include "cloud/service_config.h"
#include "desktop/idle_task.h"
#include "desktop/ui_wait.h"

namespace orv::gtk {

namespace {

// A network process keeps the certificates allowed for any of its sessions
// for all of them, and WebKit starts one of its own only for website data
// kept in a folder (an ephemeral session joins the program's process). So
// the popup's data lives in a private folder under the runtime folder (in
// memory on a desktop session), removed when the program ends; what that
// process still writes after, or a crash leaves, goes at the next start.
constexpr char kDataPrefix[] = "orvelle-social-";

std::filesystem::path DataParent() { return g_getenv("XDG_RUNTIME_DIR") ? g_get_user_runtime_dir() : g_get_tmp_dir(); }

void RemoveFoldersOfEndedPrograms(const std::filesystem::path& parent) {
  std::error_code error;
  std::vector<std::filesystem::path> ended;
  for (const auto& entry : std::filesystem::directory_iterator(parent, error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(kDataPrefix, 0) != 0) continue;
    const long pid = std::strtol(name.c_str() + sizeof(kDataPrefix) - 1, nullptr, 10);
    if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) ended.push_back(entry.path());
  }
  for (const auto& folder : ended) std::filesystem::remove_all(folder, error);
}

std::string& PopupDataFolder() {
  static std::string folder;
  return folder;
}

// One context for every popup of the process: the platform remembers a diver
// who signed in there a moment ago, yet nothing is kept after the program.
// Without a private folder it is ephemeral, sharing the program's network
// process, and then allows no certificate exceptions.
WebKitWebContext* SocialContext() {
  static WebKitWebContext* context = []() -> WebKitWebContext* {
    const std::filesystem::path parent = DataParent();
    RemoveFoldersOfEndedPrograms(parent);
    std::string name = (parent / (kDataPrefix + std::to_string(getpid()) + "-XXXXXX")).string();
    if (!g_mkdtemp_full(name.data(), 0700)) return webkit_web_context_new_ephemeral();
    PopupDataFolder() = name;
    std::atexit([] {
      std::error_code error;
      std::filesystem::remove_all(PopupDataFolder(), error);
    });
    // Cookies stay in memory: no persistent cookie storage is set.
    WebKitWebsiteDataManager* data =
        WEBKIT_WEBSITE_DATA_MANAGER(g_object_new(WEBKIT_TYPE_WEBSITE_DATA_MANAGER, "base-data-directory", name.c_str(),
                                                 "base-cache-directory", name.c_str(), nullptr));
    WebKitWebContext* created = webkit_web_context_new_with_website_data_manager(data);
    g_object_unref(data);
    return created;
  }();
  return context;
}

gboolean DecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, gpointer) {
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
  auto* action = webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  const std::string address = uri ? uri : "";
  const bool allowed = IsPlatformAddress(address) || address == "about:blank";
  if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
    // The platform's own links stay in this one popup.
    if (allowed) webkit_web_view_load_uri(view, address.c_str());
    webkit_policy_decision_ignore(decision);
    return TRUE;
  }
  if (!allowed) {
    webkit_policy_decision_ignore(decision);
    return TRUE;
  }
  return FALSE;
}

// The host part of an https address, brackets of an IPv6 literal removed.
std::string HostOf(const std::string& address) {
  GUri* uri = g_uri_parse(address.c_str(), G_URI_FLAGS_NONE, nullptr);
  if (!uri) return {};
  std::string host = g_uri_get_host(uri) ? g_uri_get_host(uri) : "";
  g_uri_unref(uri);
  return host;
}

}  // namespace

SocialBrowser::SocialBrowser(GtkWindow* owner, const std::string& address, int64_t serial)
    : owner_(owner), serial_(serial) {
  window_ = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  g_object_ref_sink(window_);
  gtk_window_set_type_hint(window_, GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_skip_taskbar_hint(window_, TRUE);
  // Above the modal sign-in dialog and taking input from it while shown.
  gtk_window_set_modal(window_, TRUE);
  if (owner_) gtk_window_set_transient_for(window_, owner_);
  gtk_window_set_default_size(window_, ScaledWidth(640), ScaledHeight(520));
  // Closing the popup cancels: it only hides, the sign-in dialog stays.
  g_signal_connect(window_, "delete-event", G_CALLBACK(+[](GtkWidget* w, GdkEvent*, gpointer) -> gboolean {
                     gtk_widget_hide(w);
                     return TRUE;
                   }),
                   nullptr);

  view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", SocialContext(), nullptr));
  WebKitSettings* settings = webkit_web_view_get_settings(view_);
  webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
  g_signal_connect(view_, "decide-policy", G_CALLBACK(DecidePolicy), nullptr);
  g_signal_connect(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
  g_signal_connect(view_, "load-failed-with-tls-errors", G_CALLBACK(OnTlsError), this);
  g_signal_connect(view_, "load-failed",
                   G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent, char*, GError* error, gpointer self) -> gboolean {
                     if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED))
                       static_cast<SocialBrowser*>(self)->superseded_ = true;
                     return FALSE;
                   }),
                   this);
  gtk_container_add(GTK_CONTAINER(window_), GTK_WIDGET(view_));
  gtk_widget_show(GTK_WIDGET(view_));
  gtk_widget_realize(GTK_WIDGET(window_));
  webkit_web_view_load_uri(view_, address.c_str());
}

SocialBrowser::~SocialBrowser() {
  // No more reports from a popup that is going away.
  g_signal_handlers_disconnect_by_data(view_, this);
  gtk_widget_destroy(GTK_WIDGET(window_));
  g_object_unref(window_);
}

void SocialBrowser::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
  auto* browser = static_cast<SocialBrowser*>(self);
  if (event == WEBKIT_LOAD_STARTED) browser->superseded_ = false;
  if (event != WEBKIT_LOAD_FINISHED) return;
  // A load that was given up for another one (our own retry after checking
  // a local certificate, a page moving on before it finished) showed the
  // diver nothing; counting it would show the popup a page too early.
  if (browser->superseded_) return;
  const char* uri = webkit_web_view_get_uri(view);
  browser->address_ = uri ? uri : "";
  // Queued for the UI loop even while no main window has installed the
  // program's poster yet (the sign-in dialog runs before it): the check must
  // never run inside WebKit's own signal, since it may close this popup.
  const ProgramMessage message{kMsgSocialPageLoaded, browser->serial_, 0, 0};
  QueueProgramMessage(message);
}

// The system's CAs decide for the real platform. A local simulated platform
// is trusted only through the CA file named explicitly for the local
// service, and only for that host: its certificate must verify against it.
gboolean SocialBrowser::OnTlsError(WebKitWebView* view, char* uri, GTlsCertificate* cert, GTlsCertificateFlags,
                                   gpointer self) {
  const ServiceConfig& service = Service();
  if (service.ca_file.empty() || !uri || !IsPlatformAddress(uri) || PopupDataFolder().empty()) return FALSE;
  const std::string host = HostOf(uri);
  if (host.empty() || host != service.host) return FALSE;
  GTlsCertificate* ca = g_tls_certificate_new_from_file(service.ca_file.c_str(), nullptr);
  if (!ca) return FALSE;
  GSocketConnectable* identity = g_network_address_new(host.c_str(), static_cast<guint16>(service.port));
  const GTlsCertificateFlags problems = g_tls_certificate_verify(cert, identity, ca);
  g_object_unref(identity);
  g_object_unref(ca);
  if (problems != 0) return FALSE;
  webkit_web_context_allow_tls_certificate_for_host(SocialContext(), cert, host.c_str());
  static_cast<SocialBrowser*>(self)->superseded_ = true;
  // Retried once the failed load has finished, so its end is not taken for
  // the retry's.
  std::shared_ptr<WebKitWebView> held(WEBKIT_WEB_VIEW(g_object_ref(view)), [](WebKitWebView* v) { g_object_unref(v); });
  RunWhenIdle([held, address = std::string(uri)] { webkit_web_view_load_uri(held.get(), address.c_str()); });
  return TRUE;
}

void SocialBrowser::Hide() { gtk_widget_hide(GTK_WIDGET(window_)); }

void SocialBrowser::CentreAndShow() {
  // Placed by hand: the window was realized hidden for its first load, so
  // GTK's own first-show placement no longer applies.
  GdkWindow* owner_window =
      owner_ && gtk_widget_get_visible(GTK_WIDGET(owner_)) ? gtk_widget_get_window(GTK_WIDGET(owner_)) : nullptr;
  int width = 0, height = 0;
  gtk_window_get_size(window_, &width, &height);
  GdkRectangle area{0, 0, 0, 0};
  if (owner_window) {
    gdk_window_get_frame_extents(owner_window, &area);
  } else {
    GdkMonitor* monitor = gdk_display_get_primary_monitor(gdk_display_get_default());
    if (!monitor) monitor = gdk_display_get_monitor(gdk_display_get_default(), 0);
    if (monitor) gdk_monitor_get_workarea(monitor, &area);
  }
  if (area.width > 0) gtk_window_move(window_, area.x + (area.width - width) / 2, area.y + (area.height - height) / 2);
  gtk_widget_show(GTK_WIDGET(window_));
  gtk_window_present(window_);
}

bool SocialBrowser::visible() const { return gtk_widget_get_visible(GTK_WIDGET(window_)); }

SocialSignInHost::SocialSignInHost(EngineWindow& page, std::function<GtkWindow*()> owner,
                                   std::function<void(int)> close)
    : page_(page), owner_(std::move(owner)), close_(std::move(close)) {}

SocialSignInHost::~SocialSignInHost() { Discard(); }

void SocialSignInHost::Start() {
  // A further press replaces the popup instead of leaving the old one
  // running unseen.
  browser_.reset();
  NavigationCount = 0;
  OnProgramMessage(kMsgSocialPageLoaded, [this](const ProgramMessage& m) { Check(m.word); });
  browser_ = std::make_unique<SocialBrowser>(owner_ ? owner_() : nullptr, OAuthDialogUrl(), ++serial_);
}

void SocialSignInHost::Discard() {
  if (!browser_) return;
  OnProgramMessage(kMsgSocialPageLoaded, nullptr);
  browser_.reset();
}

void SocialSignInHost::Check(int64_t serial) {
  // A load reported by a popup that has since been replaced is not news.
  if (!browser_ || serial != serial_) return;
  PageStep step = ObserveSocialPage(browser_->address());
  if (step.hide) browser_->Hide();
  if (step.show) browser_->CentreAndShow();
  Failure failure = step.failure;
  WaitPurpose purpose(KeyOf(Msg::BusySigningIn));
  if (step.token) {
    failure = CompleteSocialSignIn(*step.token);
    if (!failure) {
      // The e-mail is remembered as after any sign-in; the typed password
      // belongs to whatever account was typed, not to this one.
      RememberEmail(State().email);
      page_.FindById("message").SetText("");
      Discard();
      if (close_) close_(1);
      return;
    }
  }
  if (failure && !WaitOperation().IsCancelled()) page_.FindById("message").SetText(Tr(failure.key()));
}

}  // namespace orv::gtk
