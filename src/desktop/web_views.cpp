#include "desktop/web_views.h"

#include <filesystem>

#include "app/app_state.h"
#include "app/page_folder.h"
#include "app/string_table.h"
#include "desktop/bridge_script.h"
#include "desktop/tile_scheme.h"

namespace orv::gtk {

namespace {

constexpr const char* kScheme = "app";
constexpr const char* kPrefix = "app://pages/";

WebKitWebView* root_view = nullptr;

const char* MimeFor(const std::string& path) {
  auto ext = std::filesystem::path(path).extension().string();
  for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".htm" || ext == ".html") return "text/html";
  if (ext == ".css") return "text/css";
  if (ext == ".js") return "text/javascript";
  if (ext == ".json") return "application/json";
  if (ext == ".svg") return "image/svg+xml";
  if (ext == ".png") return "image/png";
  if (ext == ".jpg" || ext == ".jpeg") return "image/jpeg";
  if (ext == ".woff2") return "font/woff2";
  return "application/octet-stream";
}

void ServeAppUri(WebKitURISchemeRequest* request, gpointer) {
  if (IsTileUri(webkit_uri_scheme_request_get_uri(request))) return ServeTileRequest(request);
  std::string file = FileForAppUri(webkit_uri_scheme_request_get_uri(request));
  auto bytes = file.empty() ? std::nullopt : ReadWholeFile(file);
  if (!bytes) {
    GError* error = g_error_new(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "not found");
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
    return;
  }
  auto* copy = new std::string(std::move(*bytes));
  GInputStream* stream = g_memory_input_stream_new_from_data(copy->data(), static_cast<gssize>(copy->size()),
                                                             [](gpointer) {});  // freed by the weak ref below
  g_object_weak_ref(
      G_OBJECT(stream), [](gpointer data, GObject*) { delete static_cast<std::string*>(data); }, copy);
  webkit_uri_scheme_request_finish(request, stream, static_cast<gint64>(copy->size()), MimeFor(file));
  g_object_unref(stream);
}

// Only the program's own pages may be shown in its views; links elsewhere
// are refused rather than turning a dialog into a browser.
gboolean DecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, gpointer) {
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
  auto* action = webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  std::string u = uri ? uri : "";
  bool ours = u.rfind(kPrefix, 0) == 0 || u == "about:blank";
  // Child views (maps) may load the map tiles' web pages inside frames only.
  if (!ours && type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
    webkit_policy_decision_ignore(decision);
    return TRUE;
  }
  if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
    webkit_policy_decision_ignore(decision);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

std::string AppUri(const std::string& path) { return kPrefix + path; }

std::string AppUriForFile(const std::string& full_path) {
  const std::string base = ProgramFolder();
  if (full_path.rfind(base, 0) == 0) return AppUri(full_path.substr(base.size()));
  return AppUri(full_path);
}

std::string FileForAppUri(const std::string& uri) {
  if (uri.rfind(kPrefix, 0) != 0) return {};
  std::string rest = uri.substr(std::string(kPrefix).size());
  rest = rest.substr(0, rest.find_first_of("?#"));
  char* unescaped = g_uri_unescape_string(rest.c_str(), nullptr);
  if (!unescaped) return {};
  std::string rel = unescaped;
  g_free(unescaped);
  // Anything that climbs out of the program folder is not ours to serve.
  const std::string base = ProgramFolder();
  std::string full = (std::filesystem::path(base) / rel).lexically_normal().string();
  if (rel.empty() || rel.front() == '/' || full.rfind(base, 0) != 0) return {};
  return full;
}

bool InitWebEngine() {
  if (root_view) return true;
  WebKitWebContext* context = webkit_web_context_get_default();
  if (!context) return false;
  webkit_web_context_register_uri_scheme(context, kScheme, ServeAppUri, nullptr, nullptr);
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
  webkit_security_manager_register_uri_scheme_as_secure(security, kScheme);
  webkit_security_manager_register_uri_scheme_as_cors_enabled(security, kScheme);

  // Every later view is related to this one, so all share one web process.
  root_view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, nullptr));
  g_object_ref_sink(root_view);
  return true;
}

WebKitUserContentManager* NewBridgeContentManager() {
  WebKitUserContentManager* manager = webkit_user_content_manager_new();
  WebKitUserScript* script = webkit_user_script_new(kBridgeScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                                    WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(manager, script);
  webkit_user_script_unref(script);
  webkit_user_content_manager_register_script_message_handler(manager, "orv");
  return manager;
}

// The pages' own language for Intl and number formats. Left to the
// environment, a C/POSIX locale hands the pages the tag "C", which script
// libraries reject outright.
void ApplyPageLanguage() {
  const char* cht[] = {"zh-TW", "en-US", nullptr};
  const char* eng[] = {"en-US", nullptr};
  webkit_web_context_set_preferred_languages(webkit_web_context_get_default(), LanguageCode == "CHT" ? cht : eng);
}

float FontDpiScale() {
  const double dpi = gdk_screen_get_resolution(gdk_screen_get_default());
  return dpi > 0 ? static_cast<float>(dpi / 96.0) : 1.0f;
}

WebKitWebView* NewProgramView(WebKitUserContentManager* manager) {
  InitWebEngine();
  ApplyPageLanguage();
  auto* view = WEBKIT_WEB_VIEW(
      g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", root_view, "user-content-manager", manager, nullptr));
  WebKitSettings* settings = webkit_web_view_get_settings(view);
  webkit_settings_set_enable_developer_extras(settings, g_getenv("ORVELLE_DEVTOOLS") != nullptr);
  webkit_settings_set_enable_back_forward_navigation_gestures(settings, FALSE);
  webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  webkit_settings_set_user_agent(settings, maps::ProgramUserAgent().c_str());
  // WebKit already zooms pages by the font DPI; the zoom level adds only what
  // the display scale asks beyond it (at 144 DPI both are 1.5, and zooming by
  // ScaleX as well would draw the pages at 2.25, cut off by their windows).
  webkit_web_view_set_zoom_level(view, ScaleX / FontDpiScale());
  g_signal_connect(view, "decide-policy", G_CALLBACK(DecidePolicy), nullptr);
  // No browser context menu: these are application screens.
  g_signal_connect(view, "context-menu",
                   G_CALLBACK(+[](WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*,
                                  gpointer) -> gboolean { return g_getenv("ORVELLE_DEVTOOLS") == nullptr; }),
                   nullptr);
  return view;
}

}  // namespace orv::gtk
