#include "cli/cli.h"

namespace orv::cli {

std::vector<Command> CloudCommands() { return {}; }

}  // namespace orv::cli
