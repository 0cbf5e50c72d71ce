// The logbook as UDDF 3.2: XML in SI units (metres, seconds, kelvin, pascal,
// cubic metres), the form the open-source dive logs import.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "export/dive_spool.h"
#include "export/export_dive.h"

namespace orv {

struct UddfHeader {
  std::string version;     // the program's version
  std::string written_at;  // "YYYY-MM-DDTHH:MM:SS"
  std::string diver_name;
  std::string diver_email;
};

// Where a writer's text goes, piece by piece; false when it could not be
// written.
using ExportSink = std::function<bool(std::string_view)>;

// The file as UTF-8 text, written as the dives come: each dive's element
// is made at once into the spool, and the whole file is written by Finish.
// Dives are grouped into one repetition group per local day, in start
// order. The cylinder volume is read in the diver's unit: litres in metric,
// and in imperial the cubic feet of gas the cylinder holds at 3000 psi (the
// figure the air consumption uses), turned into the cylinder's own volume.
class UddfStream {
 public:
  explicit UddfStream(DiveSpool& spool) : spool_(spool) {}
  bool Add(const ExportDive& dive);
  bool Finish(const UddfHeader& header, const ExportSink& out);

 private:
  struct Site {
    int64_t start;  // of the first dive naming it, which describes it
    std::string name;
    GeoPoint where;
  };
  DiveSpool& spool_;
  std::map<std::string, Site> sites_;
  std::set<int32_t> mixes_;
};

// The ids the file gives a dive and a site: "dive_" or "site_" and the
// service's id with every character an XML id cannot hold written as _XX.
std::string UddfDiveId(const std::string& id);
std::string UddfSiteId(const std::string& id);

// Text as XML 1.0 can hold it: valid UTF-8 (malformed bytes become '?') and
// no control characters other than tab and line feed.
std::string XmlSafeText(const std::string& text);

}  // namespace orv
