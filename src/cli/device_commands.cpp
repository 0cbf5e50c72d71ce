#include "cli/cli.h"

namespace orv::cli {

std::vector<Command> DeviceCommands() { return {}; }

}  // namespace orv::cli
