// A small deterministic generator for the simulators' made-up data, so the
// same seed gives the same log book on every machine.
#pragma once

#include <cstdint>

namespace orv::sim {

struct SimRandom {
  uint32_t state;
  double Next() {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) / 16777216.0;
  }
  double Between(double lo, double hi) { return lo + (hi - lo) * Next(); }
  int Int(int lo, int hi) { return lo + static_cast<int>((hi - lo + 1) * Next()) % (hi - lo + 1); }
};

}  // namespace orv::sim
