// The log options as the main window stored them, for a command without a window, so that it
// writes the log as the window does.
#pragma once

#include "platform/registry.h"
#include "stats/log_writer.h"

namespace qm {

// The stored options; a missing or unreadable value keeps its default. Nothing is written.
LogOptions LoadStoredLogOptions(const Registry& registry);

}  // namespace qm
