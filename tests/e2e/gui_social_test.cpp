// The social sign-in in the real desktop windows: the "facebook" button opens
// the simulated platform of a real orvelle-cloudsim in its own popup browser.
#include <gtest/gtest.h>

#include <filesystem>

#include "account/social_sign_in.h"
#include "app/app_state.h"
#include "app/page_folder.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "desktop/login_dlg.h"
#include "desktop/service_trust.h"
#include "e2e/gui_sim_test.h"
#include "e2e/gui_support.h"
#include "seed.h"

namespace orv {
namespace {

// Runs `script` in the popup's page (not a program view, so no bridge).
bool RunInPopup(WebKitWebView* view, const std::string& script) {
  bool done = false, ok = false;
  struct Wait {
    bool* done;
    bool* ok;
  } wait{&done, &ok};
  webkit_web_view_evaluate_javascript(
      view, script.c_str(), -1, nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* res, gpointer data) {
        auto* w = static_cast<Wait*>(data);
        GError* error = nullptr;
        JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), res, &error);
        *w->ok = value != nullptr;
        if (error) {
          ADD_FAILURE() << error->message;
          g_error_free(error);
        }
        if (value) g_object_unref(value);
        *w->done = true;
      },
      &wait);
  e2e::WaitFor([&] { return done; }, 5000);
  return ok;
}

void SavePopup(WebKitWebView* view, const std::string& name) { EXPECT_TRUE(e2e::SaveViewScreenshot(view, name)); }

// How a page of the service ends in a view of the program's own web context:
// "loaded", "tls" (its certificate refused) or "failed".
std::string LoadInProgramContext(const std::string& address) {
  struct Load {
    std::string outcome;
    bool finished = false;
  } load;
  GtkWidget* holder = gtk_offscreen_window_new();
  auto* view =
      WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", webkit_web_context_get_default(), nullptr));
  gtk_container_add(GTK_CONTAINER(holder), GTK_WIDGET(view));
  gtk_widget_show_all(holder);
  g_signal_connect(
      view, "load-failed-with-tls-errors",
      G_CALLBACK(+[](WebKitWebView*, char*, GTlsCertificate*, GTlsCertificateFlags, gpointer data) -> gboolean {
        static_cast<Load*>(data)->outcome = "tls";
        return TRUE;
      }),
      &load);
  g_signal_connect(view, "load-failed",
                   G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent, char*, GError*, gpointer data) -> gboolean {
                     auto* l = static_cast<Load*>(data);
                     if (l->outcome.empty()) l->outcome = "failed";
                     return TRUE;
                   }),
                   &load);
  g_signal_connect(view, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer data) {
                     auto* l = static_cast<Load*>(data);
                     if (event != WEBKIT_LOAD_FINISHED) return;
                     if (l->outcome.empty()) l->outcome = "loaded";
                     l->finished = true;
                   }),
                   &load);
  webkit_web_view_load_uri(view, address.c_str());
  e2e::WaitFor([&] { return load.finished; }, 10000);
  g_signal_handlers_disconnect_by_data(view, &load);
  gtk_widget_destroy(holder);
  return load.outcome;
}

class GuiSocial : public e2e::GuiSimTest {
 protected:
  static void SetUpTestSuite() {
    GuiSimTest::SetUpTestSuite();
    if (server) UseLocalSocialPlatform(server->origin());
  }
  void SetUp() override {
    GuiSimTest::SetUp();
    if (IsSkipped()) return;
    e2e::FreshEnglishState("gui_social_settings");
  }
  void TearDown() override {
    e2e::Observe(nullptr);
    SetSettingsPath("");
  }
  // Whether the service's picture shows in a program view (not the popup).
  static bool PictureLoads(int attempt) {
    gtk::WebKitWindow view;
    GtkWidget* holder = gtk_offscreen_window_new();
    gtk_container_add(GTK_CONTAINER(holder), view.widget());
    gtk_widget_show_all(holder);
    view.LoadFile(PagePath("msg.htm"));
    view.EvalForTest(
        "window.__pic = 'wait'; const i = new Image(); i.onload = () => { window.__pic = 'yes'; };"
        "i.onerror = () => { window.__pic = 'no'; }; i.src = '" +
        server->origin() + "/static/avatar.svg?n=" + std::to_string(attempt) + "'; return '';");
    std::string result;
    e2e::WaitFor([&] { return (result = view.EvalForTest("return window.__pic;")) != "wait"; }, 8000);
    gtk_container_remove(GTK_CONTAINER(holder), view.widget());
    gtk_widget_destroy(holder);
    return result == "yes";
  }
  static gtk::SocialBrowser* Popup(gtk::DialogPage& page) {
    return static_cast<gtk::LoginDlg&>(page).social().browser();
  }
  static bool Shown(gtk::DialogPage& page) { return Popup(page) && Popup(page)->visible(); }
  // Shown, and showing the platform's sign-in page, fully loaded.
  static bool AtSignInPage(gtk::DialogPage& page) {
    return Shown(page) && Popup(page)->address().find("/social/login?") != std::string::npos &&
           !webkit_web_view_is_loading(Popup(page)->view());
  }
};

// These two run before the sign-in: the platform keeps the diver signed in
// for the rest of the process once a test has signed in there.
TEST_F(GuiSocial, CancelledOrClosedPopupLeavesTheDialogOpen) {
  bool hidden_after_cancel = false, hidden_after_close = false;
  std::string message = "unset";
  e2e::Observe(
      [&](gtk::DialogPage& page) {
        auto& w = page.window();
        e2e::ClickInPage(w, "facebook");
        ASSERT_TRUE(e2e::WaitFor([&] { return AtSignInPage(page); }, 10000));
        // "Cancel" on the platform: it reports an error back, the popup goes.
        EXPECT_TRUE(RunInPopup(Popup(page)->view(), "document.getElementById('cancel').click();"));
        hidden_after_cancel = e2e::WaitFor([&] { return !Shown(page); }, 10000);
        if (!hidden_after_cancel) ADD_FAILURE() << Popup(page)->address();
        // Again, and this time the diver closes the popup window.
        e2e::ClickInPage(w, "facebook");
        ASSERT_TRUE(e2e::WaitFor([&] { return AtSignInPage(page); }, 10000));
        gtk_window_close(Popup(page)->window());
        hidden_after_close = e2e::WaitFor([&] { return !Shown(page); }, 5000);
        message = w.EvalForTest("return document.getElementById('message').textContent;");
        e2e::SaveScreenshot(w, "social_closed");
        e2e::ClickInPage(w, "exit");
      },
      40000);
  EXPECT_EQ(e2e::RunSignInDialog(), 0);
  EXPECT_TRUE(hidden_after_cancel);
  EXPECT_TRUE(hidden_after_close);
  EXPECT_EQ(message, "");
  EXPECT_TRUE(State().token.empty());
}

// The popup accepts the local platform's certificate (it verified against
// the CA file); the program's own views must still refuse it, since they
// trust that service only through its CA file and only when asked to.
TEST_F(GuiSocial, CertificateAcceptedInThePopupStaysOutOfProgramViews) {
  bool at_platform = false;
  std::string program_view = "unset";
  e2e::Observe(
      [&](gtk::DialogPage& page) {
        e2e::ClickInPage(page.window(), "facebook");
        at_platform = e2e::WaitFor([&] { return AtSignInPage(page); }, 10000);
        if (!at_platform) return;
        program_view = LoadInProgramContext(server->origin() + "/static/avatar.svg");
        gtk_window_close(Popup(page)->window());
        e2e::WaitFor([&] { return !Shown(page); }, 5000);
        e2e::ClickInPage(page.window(), "exit");
      },
      40000);
  EXPECT_EQ(e2e::RunSignInDialog(), 0);
  EXPECT_TRUE(at_platform);
  EXPECT_EQ(program_view, "tls");
}

TEST_F(GuiSocial, SignsInOnThePlatformPageThenAtOnceWhileSignedInThere) {
  bool shown = false;
  int width = 0, height = 0, off_centre = -1;
  e2e::Observe(
      [&](gtk::DialogPage& page) {
        auto& w = page.window();
        e2e::TypeInPage(w, "pword", "typed for another account");
        e2e::ClickInPage(w, "facebook");
        shown = e2e::WaitFor([&] { return AtSignInPage(page); }, 10000);
        if (!shown) return;
        e2e::WindowSize(Popup(page)->window(), width, height);
        // Centred over the sign-in dialog, not at the corner of the screen.
        int px = 0, py = 0, dx = 0, dy = 0, dw = 0, dh = 0;
        gtk_window_get_position(Popup(page)->window(), &px, &py);
        gtk_window_get_position(page.gtk_window(), &dx, &dy);
        e2e::WindowSize(page.gtk_window(), dw, dh);
        off_centre = std::abs(px + width / 2 - (dx + dw / 2)) + std::abs(py + height / 2 - (dy + dh / 2));
        e2e::SaveWindowScreenshot(Popup(page)->window(), "social_popup_centred");
        SavePopup(Popup(page)->view(), "social_platform_page");
        RunInPopup(Popup(page)->view(), std::string("document.getElementById('email').value = '") + sim::kDemoEmail +
                                            "'; document.getElementById('continue').click();");
      },
      30000);
  MemoryCredentialStore store;
  {
    gtk::LoginDlg login(&store);
    EXPECT_EQ(gtk::RunPageDialog(login), 1);
  }
  EXPECT_TRUE(shown);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 520);
  EXPECT_GE(off_centre, 0);
  EXPECT_LE(off_centre, 4);
  EXPECT_EQ(State().email, sim::kDemoEmail);
  EXPECT_EQ(State().user_id, sim::kDemoUserId);
  EXPECT_FALSE(State().token.empty());
  EXPECT_FALSE(State().display_name.empty());
  EXPECT_EQ(RememberedEmail(), sim::kDemoEmail);
  // The password typed in the dialog is not filed under the social account.
  EXPECT_FALSE(store.Lookup(sim::kDemoEmail).has_value());

  // Signed in on the platform now: the next press finishes without the
  // popup ever being shown, and the page comes up with the social e-mail.
  State() = AppState{};
  State().page_folder = MakePageFolder(ProgramFolder(), "ENG");
  bool ever_shown = false;
  std::string prefilled;
  e2e::Observe(
      [&](gtk::DialogPage& page) {
        prefilled = page.window().EvalForTest("return document.getElementById('email').value;");
        e2e::ClickInPage(page.window(), "facebook");
        e2e::WaitFor(
            [&] {
              ever_shown |= Shown(page);
              return false;
            },
            3000);
      },
      20000);
  gtk::LoginDlg again(&store);
  EXPECT_EQ(gtk::RunPageDialog(again), 1);
  EXPECT_FALSE(ever_shown);
  EXPECT_EQ(prefilled, sim::kDemoEmail);
  EXPECT_FALSE(State().token.empty());
}

TEST_F(GuiSocial, ProgramViewsTrustTheLocalServiceThroughItsCaFile) {
  // The account picture of a local service named with its CA file loads in
  // the program's own views.
  ASSERT_TRUE(gtk::TrustServiceCertificate());
  EXPECT_TRUE(PictureLoads(1));
  EXPECT_EQ(LoadInProgramContext(server->origin() + "/static/avatar.svg"), "loaded");
}

}  // namespace
}  // namespace orv
