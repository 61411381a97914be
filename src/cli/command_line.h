// The program's command line: the headless commands and the switches of the window.
#pragma once

#include <string>
#include <vector>

namespace qm::cli {

// Runs a headless command when the arguments ask for one and returns its exit status; returns
// -1 when the arguments are for the window (no option, or "/B"), with `window_args` holding
// what the window should see and `store_path` the --store value, if any.
int RunCommandLine(const std::vector<std::string>& args, std::vector<std::string>& window_args,
                   std::string& store_path);

}  // namespace qm::cli
