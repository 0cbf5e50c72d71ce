// A dive record read straight from the saved copy's text with simdjson, the
// parser the measurements chose (docs/json.md): an offline export reads
// thousands of them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "export/export_dive.h"

namespace orv {

// The record as MakeExportDive reads it from the parsed reply. Nullopt when
// the text is not one JSON object simdjson reads whole (malformed, nested
// deeper than a record ever is, numbers beyond 64 bits, text that is not
// UTF-8): the caller then reads it the way every reply is read, so such a
// record ends as it always did.
std::optional<ExportDive> ReadExportDive(std::string_view record);

// The saved record of `divelog_id` in the active copy, read so; nullopt when
// it is not there or not read so.
std::optional<ExportDive> SavedExportDive(const std::string& divelog_id);

}  // namespace orv
