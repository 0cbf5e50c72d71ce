// The social platform's sign-in in a popup browser of its own: a WebKit view
// apart from the program's views (its own web context and network process, so
// platform cookies and certificate exceptions never reach the program's pages,
// and its data is gone when the program ends), that navigates only to the
// platform over https and reports every finished load.
#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/engine.h"

namespace orv::gtk {

class SocialBrowser {
 public:
  // A hidden popup owned by `owner` (640 x 520 scaled), loading `address`.
  // Every finished load records its address and posts message 3024 with
  // `serial` as its word.
  SocialBrowser(GtkWindow* owner, const std::string& address, int64_t serial);
  ~SocialBrowser();
  SocialBrowser(const SocialBrowser&) = delete;
  SocialBrowser& operator=(const SocialBrowser&) = delete;

  const std::string& address() const { return address_; }
  void Hide();
  // Centred over the owner (or the screen when it is not shown), then shown.
  void CentreAndShow();
  bool visible() const;
  WebKitWebView* view() const { return view_; }
  GtkWindow* window() const { return window_; }

 private:
  static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static gboolean OnTlsError(WebKitWebView* view, char* uri, GTlsCertificate* cert, GTlsCertificateFlags errors,
                             gpointer self);

  GtkWindow* owner_;
  GtkWindow* window_ = nullptr;
  WebKitWebView* view_ = nullptr;
  std::string address_;
  int64_t serial_;
  bool superseded_ = false;  // the current load was given up for another
};

// The sign-in dialog's side of the social sign-in: starts the popup on the
// "facebook" button, checks each finished page (message 3024) and ends the
// dialog through `close` once the service accepted the platform's token.
class SocialSignInHost {
 public:
  SocialSignInHost(EngineWindow& page, std::function<GtkWindow*()> owner, std::function<void(int)> close);
  ~SocialSignInHost();
  SocialSignInHost(const SocialSignInHost&) = delete;
  SocialSignInHost& operator=(const SocialSignInHost&) = delete;

  // A new popup; an earlier one is closed first.
  void Start();
  // Closes the popup (the dialog is ending).
  void Discard();
  SocialBrowser* browser() const { return browser_.get(); }

 private:
  void Check(int64_t serial);

  EngineWindow& page_;
  std::function<GtkWindow*()> owner_;
  std::function<void(int)> close_;
  std::unique_ptr<SocialBrowser> browser_;
  int64_t serial_ = 0;
};

}  // namespace orv::gtk
