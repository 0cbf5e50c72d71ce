// Dive-site files (".ds"): the three lists as a small XML document.
//
//   <?xml ?>
//   <orvelle_dive_site>
//       <scuba>
//           <waypoint name="Green Island" lat="22.662000" lng="121.490000" />
//       </scuba>
//       <freedive />
//       <gauge />
//   </orvelle_dive_site>
//
// UTF-8 without a byte-order mark, CR LF line ends, four spaces per level.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sites/dive_site.h"
#include "sites/site_lists.h"

namespace orv::sites {

// Largest file import reads; a real one of 192 sites is some 20 KiB.
inline constexpr size_t kMaxDsFileBytes = 4 * 1024 * 1024;

// The file text of the three lists.
std::string FormatDsText(const SiteLists& lists);

// The lists of a file's text: the first top-level element, whatever its
// name, and in it the first "scuba", "freedive" and "gauge" elements, each
// with its "waypoint" children (at most 64 per list, the rest skipped). A
// text that is not well-formed XML or has no element gives nothing, with the
// reason in `error`.
std::optional<SiteLists> ParseDsText(std::string_view text, std::string* error = nullptr);
std::optional<SiteLists> ReadDsFile(const std::string& path, std::string* error = nullptr);

// Reading refuses anything but a regular file (a FIFO, device or socket at
// once, without waiting on it). Writing goes through ReplaceFile: a link's
// file is replaced and the link kept, a path that is not a regular file is
// refused, and a failure never leaves a cut-off file or harms one that was
// there. False when it could not be written.
bool WriteDsFile(const std::string& path, const SiteLists& lists, std::string* error = nullptr);

// Import: replaces the lists with the file's once it has been read whole; a
// file that cannot be read leaves the lists and the page as they were.
bool ImportDsFile(DiveSiteLists& model, const std::string& path, std::string* error = nullptr);
// Export: the lists do not change.
bool ExportDsFile(const DiveSiteLists& model, const std::string& path, std::string* error = nullptr);

}  // namespace orv::sites
