#pragma once

#include <string>
#include <vector>

namespace qm::qt {

// Starts the application and its main window; returns the process exit status.
int RunWindow(int argc, char** argv, const std::vector<std::string>& window_args,
              const std::string& store_path);

}  // namespace qm::qt
