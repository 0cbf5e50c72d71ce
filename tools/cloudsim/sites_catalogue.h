// The dive-site catalogue the simulated service searches: real, well-known
// sites with their public positions (degrees, WGS 84, rounded).
#pragma once

#include <cstddef>

namespace orv::sim {

struct CatalogueSite {
  const char* name;
  const char* region;
  double latitude;
  double longitude;
};

const CatalogueSite* CatalogueSites(std::size_t& count);

}  // namespace orv::sim
