// One logged dive between the service and the diver: fetched by its id,
// turned into the values the edit dialog works on, merged back after an
// edit, and stored again with PATCH. Nothing of a dive is kept on disk.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/failure.h"
#include "divelog/dive_values.h"
#include "logbook/dive_log_read.h"

namespace orv {

class EngineWindow;
class HttpPost;

// The values the edit dialog shows and edits; always metric (the dialog
// converts for display and back when it reads a typed value).
struct LogEditRecord {
  DiveType dive_type = DiveType::Scuba;
  double site_latitude = 0.0, site_longitude = 0.0;    // degrees
  double entry_latitude = 0.0, entry_longitude = 0.0;  // degrees
  double exit_latitude = 0.0, exit_longitude = 0.0;    // degrees
  double start_pressure = 0.0;                         // bar
  double end_pressure = 0.0;                           // bar
  int32_t cylinder_volume = 0;                         // as the diver entered it
  ConditionCode weather = 0, wave = 0, current = 0, visibility = 0;
  double suit_thickness = 0.0;  // millimetres
  double weight = 0.0;          // kilograms
  std::string site_id;          // catalogue site; empty when none
};

// The record of a dive. Site coordinates and id are taken only when the dive
// names a site (PoiIdPresent); otherwise they stay 0 and empty.
LogEditRecord FillEditRecord(const DiveLog& log);

// Writes the fields the edit changed (those that differ from what `log`
// itself gives FillEditRecord) into `log`: the site (`poi`), suit thickness
// as a whole number, weight and pressures with six decimals, the four
// condition codes and the cylinder volume. A field left as it was keeps its
// member byte for byte, as the service sent it; entry and exit positions are
// never written. A free dive has no cylinder, so its pressures and volume
// stay exactly as sent. A site other than the one the dive named replaces
// `poi` whole, so the old site's other members (its name, say) do not stay
// behind under the new id.
void MergeEditRecord(const LogEditRecord& record, DiveLog& log);

// The PATCH body: the whole dive, indented, members in key order, UTF-8.
std::string DiveLogJsonText(const DiveLog& log);

// Fetches dive `divelog_id` on `http`, which this call connects and which
// stays open for the rest of the operation (StoreDiveLog sends on it).
// Failures are shown here and returned:
// no connection opens the message dialog with NO_INTERNET; a failing reply
// (HOST_NOT_CONN, HOST_ERROR, DATA_ERROR) puts the key's text into the
// element `message` of `main_window`. A successful reply whose `divelog` is
// not an object holds no dive and counts as DATA_ERROR. A fetch that
// succeeds clears `message`.
Result<DiveLog> FetchDiveLog(HttpPost& http, std::string_view divelog_id, EngineWindow* main_window);

// Sends `log` with PATCH on the connection FetchDiveLog opened (never a
// second Connect). Returns the outcome of the standard reply check: no
// failure when the service stored it; HOST_NOT_CONN without
// an open connection and DATA_ERROR for a dive without an id (sent
// nowhere, as there is no path to send it to). When `main_window` is given a
// failure's text goes into its element `message` (and a success clears it);
// nothing is shown otherwise.
Failure StoreDiveLog(HttpPost& http, const DiveLog& log, EngineWindow* main_window = nullptr);

}  // namespace orv
