// The modal page dialog: an undecorated transient window holding one web
// view with a page, sized from fixed logical sizes times the display scale,
// centred over its owner, dragged by its caption band.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "app/engine.h"
#include "desktop/webkit_window.h"

namespace orv::gtk {

class DialogPage : public EventSink {
 public:
  ~DialogPage() override = default;
  virtual int LogicalWidth() const = 0;
  virtual int LogicalHeight() const = 0;
  virtual int CaptionBand() const { return 0; }  // logical pixels; 0 = none
  virtual std::string PageName() const = 0;
  // Fills the loaded page (texts, handlers).
  virtual void Fill() {}
  virtual void OnEvent(const ElementRef& element, const PageEvent& event) = 0;

  // Ends the modal run with `result`; safe before the run has started.
  void EndDialog(int result);
  WebKitWindow& window() { return window_; }
  GtkWindow* gtk_window() const { return dialog_; }
  // Whether EndOpenDialogs leaves it open: the progress dialog ends only with
  // its worker, which still owes the device its end command.
  virtual bool StaysOpenOnStop() const { return false; }

 private:
  friend int RunPageDialog(DialogPage& page, GtkWindow* owner);
  void OnPageEvent(const ElementRef& element, const PageEvent& event) override { OnEvent(element, event); }

  WebKitWindow window_;
  GtkWindow* dialog_ = nullptr;
  bool ended_ = false;
  int result_ = 0;
};

// Runs the dialog modally over `owner` (null: the active window) and returns
// its end result; -1 when it could not be created, or at once while the
// program is stopping (ProgramStop).
int RunPageDialog(DialogPage& page, GtkWindow* owner = nullptr);
// Ends every open dialog with -1 except those that stay open on a stop, so a
// stopping program is not held in a dialog's loop.
void EndOpenDialogs();

// The window the diver is using now, else the main window; may be null.
GtkWindow* ActiveWindow();

// Called with every dialog once its page is filled, before the diver sees it;
// GUI tests use it to act in the dialog.
void SetDialogObserver(std::function<void(DialogPage&)> observer);
// Ends every dialog still open after `timeout_ms` with -99 (0 = never), so a
// GUI test whose flow breaks fails instead of hanging.
void SetDialogWatchdog(int timeout_ms);

}  // namespace orv::gtk
