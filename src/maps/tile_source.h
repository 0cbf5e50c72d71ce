// Which tile a map page asks for, and where that tile lives on the tile
// server the settings name.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orv::maps {

struct TileKey {
  int z = 0, x = 0, y = 0;
};

// The deepest zoom the map pages ask for.
constexpr int kMaxTileZoom = 19;

// "z/x/y.png" as the map pages ask for it; nothing for anything else, for
// zoom levels the pages never use and for columns or rows outside the world,
// so no odd address ever reaches the tile server.
std::optional<TileKey> ParseTilePath(std::string_view path);

// The template with {z}, {x}, {y} filled in, and {s} as one of the usual
// sub-domains a, b, c (spread over neighbouring tiles).
std::string TileUrl(const std::string& url_template, const TileKey& key);

// "ORVELLE-PC-TOOL/<version> (...)": tile servers ask to know who calls them.
std::string ProgramUserAgent();

}  // namespace orv::maps
