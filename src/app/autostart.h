// Starting the program with the user's session: the Run value of the registry stand-in and the
// desktop autostart entry that makes a session really start it. The two are kept together.
#pragma once

#include <string>

#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/registry.h"

namespace qm {

inline constexpr const char* kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kRunValueName = "Quillmor";

// The Run value's data: the executable's path, unquoted, then " /B".
std::string RunValueData(const std::string& exe_path);

// Enabled: writes the autostart entry and the Run value for `exe_path`, replacing older ones.
// Disabled: removes both. When one of the two fails the other is put back as it was, so the
// entry and the value never disagree.
[[nodiscard]] Status SetAutostart(Registry& registry, FileSystem& fs, const std::string& exe_path,
                                  bool enabled);

}  // namespace qm
