// One logged dive as the service sends it, and the rules every reader of it
// follows. The dive is kept whole as a JSON object so that storing it again
// hands back every member the service sent, including ones this program
// does not know.
//
// Reading never changes the object and never trusts a member's JSON type: a
// member that is absent or of another type reads as 0 or empty text. (JsonCpp's
// non-const member access would plant null members in the object and abort on
// a member of the wrong type; neither may reach the stored dive.)
#pragma once

#include <cstdint>
#include <string>

#include <json/value.h>

#include "logbook/dive_figures.h"

namespace orv {

// One dive: the member `divelog` of the service's reply.
using DiveLog = Json::Value;

// A member holding a decimal number as text ("18.26"), read like strtof:
// the leading number in single precision, 0 when there is none or the
// member is no string.
float LogDecimal(const DiveLog& log, const char* member);
// The same number widened to double by its shortest decimal form, so that
// 200.1 read in single precision stays 200.1 and does not come back as
// 200.100006 when written with six decimals.
double LogDecimalWide(const DiveLog& log, const char* member);
// A decimal text member truncated to a whole number ("11.9" gives 11);
// values beyond 32 bits saturate instead of wrapping.
int32_t LogWholeNumber(const DiveLog& log, const char* member);
// An integer member as a signed 32-bit number; 0 when absent, null or of
// another type.
int32_t LogInt(const DiveLog& log, const char* member);
// A text member; empty when absent or not a string.
std::string LogText(const DiveLog& log, const char* member);
// `dive_type` decoded exactly; anything else is scuba.
DiveType LogDiveType(const DiveLog& log);

struct GeoPoint {
  double latitude = 0.0;   // degrees
  double longitude = 0.0;  // degrees
  friend bool operator==(const GeoPoint&, const GeoPoint&) = default;
};
// `latitude` and `longitude` of an object member such as `entry_position`;
// 0 for absent, non-numeric or non-finite values.
GeoPoint LogPosition(const DiveLog& log, const char* member);

// Whether the dive names a catalogue site: `poi`.`poi_id` counts as empty
// when null or absent or an empty array or object; any string (even "") and
// any number count as present.
bool PoiIdPresent(const DiveLog& log);
// The site id as text: a string as sent, a whole number as its decimal
// text; empty otherwise.
std::string PoiIdText(const DiveLog& log);
// `poi`.`gps_location` of the dive.
GeoPoint PoiLocation(const DiveLog& log);

// Helpers for values headed back to the service.
// Widens a single-precision value by its shortest decimal form.
double WidenDecimal(float value);
// Truncates toward zero into 32 bits; non-finite values give 0 and values
// out of range saturate.
int32_t TruncateToInt32(double value);

}  // namespace orv
