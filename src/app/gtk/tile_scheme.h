// The map pages' street tiles: "app://tiles/z/x/y.png" in every view,
// answered by the tile service (disk cache in front of the tile server the
// settings name). A tile that cannot be had fails, and the page shows its
// bundled coastline there.
#pragma once

#include <webkit2/webkit2.h>

#include <string>

#include "maps/tile_service.h"

namespace orv::gtk {

// True for "app://tiles/...".
bool IsTileUri(const std::string& uri);
// Answers `request` later, on the UI thread; never blocks.
void ServeTileRequest(WebKitURISchemeRequest* request);
// Replaces the tile service (tests, a changed setting). Without a call, the
// first tile request starts one from the settings file.
void UseTileService(maps::TileServiceOptions options);
// Stops the service's threads, aborting transfers; before the program ends.
void StopTileService();

}  // namespace orv::gtk
