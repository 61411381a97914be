// Whole-file replacement that never leaves a half-written file under the final name.
#pragma once

#include <string>
#include <string_view>

#include "platform/error.h"
#include "platform/file_system.h"

namespace qm {

// Writes `content` to a temporary file beside `path`, flushes it to disk and renames it over
// `path`. On any failure the temporary file is removed and `path` keeps its old content.
Status WriteFileAtomically(FileSystem& fs, const std::string& path, std::string_view content);

// Creates `dir` and its missing parents; an existing directory is fine.
Status CreateDirectories(FileSystem& fs, const std::string& dir);

}  // namespace qm
