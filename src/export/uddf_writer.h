// The logbook as UDDF 3.2: XML in SI units (metres, seconds, kelvin, pascal,
// cubic metres), the form the open-source dive logs import.
#pragma once

#include <string>
#include <vector>

#include "export/export_dive.h"

namespace orv {

struct UddfHeader {
  std::string version;     // the program's version
  std::string written_at;  // "YYYY-MM-DDTHH:MM:SS"
  std::string diver_name;
  std::string diver_email;
};

// The whole file as UTF-8 text. Dives are grouped into one repetition group
// per local day, in start order. The cylinder volume is read in the
// diver's unit: litres in metric, and in imperial the cubic feet of gas the
// cylinder holds at 3000 psi (the figure the air consumption uses), turned
// into the cylinder's own volume.
std::string UddfText(const std::vector<ExportDive>& dives, const UddfHeader& header);

// The ids the file gives a dive and a site: "dive_" or "site_" and the
// service's id with every character an XML id cannot hold written as _XX.
std::string UddfDiveId(const std::string& id);
std::string UddfSiteId(const std::string& id);

// Text as XML 1.0 can hold it: valid UTF-8 (malformed bytes become '?') and
// no control characters other than tab and line feed.
std::string XmlSafeText(const std::string& text);

}  // namespace orv
