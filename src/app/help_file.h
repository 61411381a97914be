// Where the program finds its HTML help: installed under the prefix's documentation folder, or
// beside the executable in a build tree or a portable install.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace qm {

inline constexpr const char* kHelpFileName = "Quillmor.html";

// The places looked at, in order: <exe dir>/../share/doc/quillmor/, then <exe dir>/.
std::vector<std::string> HelpFileCandidates(const std::string& exe_path);
// The first candidate that is a file; empty when there is none.
std::string FindHelpFile(FileSystem& fs, const std::string& exe_path);

}  // namespace qm
