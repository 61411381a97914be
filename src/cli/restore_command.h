// `quillmor --restore NAME`: the files of a profile's backup brought back, the newest versions
// or those of a given moment, into the source folder or another one.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "platform/file_system.h"

namespace qm::cli {

struct RestoreRequest {
  std::string store_path;            // the --store value; empty for the default store
  std::string name;                  // the profile
  std::optional<DosDateTime> as_of;  // the newest versions when not given
  std::string to;                    // the profile's source folder when empty
  bool overwrite = false;            // replace existing files that differ
  bool dry_run = false;              // print what would be restored, write nothing
  bool verbose = false;              // every record to stderr as it is made
  bool quiet = false;                // no summary
  bool progress = false;             // the progress line; only for a terminal on stderr
  FileSystem* fs = nullptr;          // the real file system when null
  std::string lock_directory;        // where the folder locks live; empty for the user's own
};

// Restores and returns the exit status: 0 when nothing failed; 1 when a file failed, the
// store is unusable, the backup cannot be listed or the target folder cannot be used; 2 for an
// unknown profile; 128 + the signal when SIGINT or SIGTERM stopped it. A file in the target
// that differs from its version is kept unless `overwrite`; one equal to it (size and time) is
// left alone. Summary and a dry run's lines on `out`, errors on `err`.
int RestoreFiles(const RestoreRequest& request, std::ostream& out, std::ostream& err);

}  // namespace qm::cli
