// Made-up map tiles for the simulator's tile server: a PNG per tile, sea
// blue with a grid and the tile's "z/x/y" written in the corner, so a
// screenshot shows at a glance which tiles arrived.
#pragma once

#include <string>

namespace orv::sim {

std::string TilePng(int z, int x, int y);

}  // namespace orv::sim
