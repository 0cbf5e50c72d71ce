// The main window's page handlers in their fixed order.
#pragma once

#include "app/func_base.h"

namespace orv::gtk {
HandlerList MakeMainHandlers();
}
