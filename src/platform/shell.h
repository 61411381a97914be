// The desktop shell: opening a document with the application the user's desktop chooses.
#pragma once

#include <string>

#include "platform/error.h"
#include "platform/file_system.h"

namespace qm {

// Hands `path` to xdg-open and returns at once; the program never waits for the viewer. The
// status says only whether the opener could be started, not whether the document opened.
Status OpenDocument(const std::string& path);

// The log-in autostart entry: a desktop entry in AutostartDirectory() that starts
// `exe_path` with "/B". Written atomically (the directory is created when missing).
std::string AutostartEntryPath();
Status WriteAutostartEntry(FileSystem& fs, const std::string& exe_path);
// Removes the entry; an entry that is not there is not an error.
Status RemoveAutostartEntry(FileSystem& fs);
// The Exec= value of the entry: the program quoted as desktop entries require, then " /B".
std::string AutostartExecLine(const std::string& exe_path);

}  // namespace qm
