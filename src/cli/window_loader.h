// Finds and starts the window's shared library, which only the window's path loads.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace qm::cli {

// Where the window's library is looked for, in order: beside the executable in `exe_dir` (the
// build tree), the private library folder of an installation relative to it (an install under
// any prefix), and the one the build was configured to install into.
std::vector<std::string> WindowLibraryPlaces(const std::string& exe_dir);

// Loads the first library of WindowLibraryPlaces that exists (the installed one when none
// does) and runs its window. A library that is missing, cannot be loaded or lacks the entry
// is reported on `err` with the file and the loader's reason, and gives exit status 1.
int OpenWindow(int argc, char** argv, const std::vector<std::string>& window_args,
               const std::string& store_path, std::ostream& err);

}  // namespace qm::cli
