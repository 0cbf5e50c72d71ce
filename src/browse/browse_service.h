// What the browsing handlers need from around them, kept free of any window
// system: a way to show a message dialog and the service requests. Program
// message 2028 travels through the program's own queue (program_messages.h).
#pragma once

#include <functional>
#include <optional>
#include <string>

#include <json/value.h>

#include "app/engine.h"
#include "app/string_table.h"
#include "cloud/endpoints.h"
#include "cloud/reply_check.h"
#include "logbook/data_source.h"

namespace orv {

// Modal message dialogs (owned by the active window in the desktop program).
// The base class shows the key's text through the installed dialog backend
// (dialogs.h); tests and orvelle-cli pass their own to record or print.
class Notifier {
 public:
  virtual ~Notifier() = default;
  virtual void ShowMessage(const MessageKey& key);
};
// The notifier used when none is given.
Notifier& DefaultNotifier();

// The surroundings shared by the calendar, the day list and the statistics.
struct BrowseContext {
  EngineWindow* window = nullptr;  // the main window
  Notifier* notifier = nullptr;    // null: DefaultNotifier()
  ServiceRequest request;          // empty: RequestFromService (logbook/data_source.h)
};

// Asks for `endpoint` through the log book's data source (online the
// service, offline the saved copy) and checks the reply the standard way.
// Offline, what was never saved: its NOT_SAVED key in `message`. No connection:
// a message dialog with HOST_NOT_CONN. A failing reply: the key's text in
// the main document's `message`, unless the diver cancelled the wait (then
// nothing is shown). Either way the key is returned. A request
// that succeeds clears `message`: the failure it told of is over.
Reply RequestChecked(const BrowseContext& context, const Endpoint& endpoint);
// The same with `message` found by the caller: found before the handler's
// first write, the lookup does not wait for the page to take that write, and
// what the handler writes around the request reaches the page as one change.
Reply RequestChecked(const BrowseContext& context, const Endpoint& endpoint, const ElementRef& message);

}  // namespace orv
