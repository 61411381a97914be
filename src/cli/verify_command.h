// `quillmor --verify NAME...`: each source file compared with its newest version in the
// backup, and every archive of the backup read through and checked.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace qm::cli {

struct VerifyRequest {
  std::string store_path;          // the --store value; empty for the default store
  std::vector<std::string> names;  // the profiles, in this order
  bool verbose = false;            // every record to stderr as it is made
  bool quiet = false;              // only what went bad: differs, damaged, unreadable
  bool progress = false;           // the progress line; only for a terminal on stderr
  FileSystem* fs = nullptr;        // the real file system when null
  std::string lock_directory;      // the folder locks, never read as source files
};

// Verifies and returns the exit status: 0 when nothing differs, is damaged or unreadable
// (files missing from the backup or newer than it are information); 1 otherwise, or when the
// store is unusable or a backup cannot be listed; 2 for an unknown name (then nothing is
// verified); 128 + the signal when SIGINT or SIGTERM stopped it. Reads only, and takes no lock.
int VerifyBackups(const VerifyRequest& request, std::ostream& out, std::ostream& err);

}  // namespace qm::cli
