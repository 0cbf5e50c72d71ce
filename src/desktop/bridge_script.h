// The page bridge's script (pages/common/bridge.js), built into the program.
#pragma once

namespace orv::gtk {
extern const char* const kBridgeScript;
}
