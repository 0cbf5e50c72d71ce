// The busy popup: a small page of its own ("busy.htm") that comes up over the
// window the diver looks at while a service request has run for a moment,
// says what the program waits for (the operation's WaitPurpose) and offers
// Cancel. It never takes the focus, so the window below stays the active one
// for whatever the handler shows next; the windows below get a busy cursor.
#pragma once

#include <gtk/gtk.h>

#include "desktop/webkit_window.h"

namespace orv::gtk {

class BusyPopup {
 public:
  // Shows the popup (UiWait, once a request has waited for a moment).
  static void Show();
  static void Hide();
  // After Cancel: the button can be pressed only once.
  static void MarkCancelled();

  // The popup window and its page while shown, else null (GUI tests look and
  // click as the diver would).
  static GtkWindow* ShownWindow();
  static WebKitWindow* ShownPage();
};

}  // namespace orv::gtk
