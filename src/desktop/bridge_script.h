#pragma once

namespace orv::gtk {
extern const char* const kBridgeScript;
}
