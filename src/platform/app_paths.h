// Where the program's files live.
#pragma once

#include <string>

namespace qm {

// $QUILLMOR_CONFIG_DIR, else $XDG_CONFIG_HOME/Quillmor, else ~/.config/Quillmor.
std::string ConfigDirectory();
// $XDG_DATA_HOME/Quillmor, else ~/.local/share/Quillmor.
std::string DataDirectory();
// $XDG_CONFIG_HOME/autostart, else ~/.config/autostart: where desktop sessions look for the
// programs to start at log-in.
std::string AutostartDirectory();
// Full path of the running executable.
std::string ExecutablePath();
// The profile store: `override_path` (from --store) if given, else $QUILLMOR_STORE, else the
// executable's path with ".dat" when that file exists (a portable install), else
// Quillmor.dat in the data directory.
std::string StorePath(const std::string& override_path = {});
// The path with its extension replaced by `ext` (".dat"), or `ext` appended when it has none.
std::string ChangeFileExt(const std::string& path, const std::string& ext);

}  // namespace qm
