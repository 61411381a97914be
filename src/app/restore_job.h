// Restoring a profile's backup: the newest versions, or those of a given moment, brought back
// into the source folder or another one. The command line and the window run the same job.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/backup_job_host.h"
#include "profiles/profile_record.h"

namespace qm {

struct RestoreChoice {
  std::optional<DosDateTime> as_of;  // the newest versions when not given
  std::string to;                    // the profile's source folder when empty
  bool overwrite = false;            // replace existing files that differ
  bool dry_run = false;              // tell what would be restored, write nothing
  std::string lock_directory;        // where the folder locks live; empty for the user's own
};

struct RestoreTally {
  int restored = 0, kept = 0, failed = 0;
  int64_t restored_bytes = 0, kept_bytes = 0;
  // Set when nothing could be restored at all (the backup, the lock or the target folder).
  std::string failure;
};

// Restores `profile`'s files as `choice` says. A file in the target that differs from its
// version is kept unless `overwrite`; one equal to it (size and time) is left alone. A dry run
// hands the host a "restore VERSION -> TARGET" line a file and writes nothing.
RestoreTally RestoreProfile(BackupJobHost& host, const ProfileRecord& profile,
                            const RestoreChoice& choice);

// "restored N, kept N, failed N"
std::string RestoreSummary(const RestoreTally& tally);

// The end of a day for "YYYY-MM-DD" (23:59:59), or the moment of "YYYY-MM-DD HH:MM[:SS]",
// local time, as a DOS time; nullopt for anything else.
std::optional<DosDateTime> ParseAsOf(const std::string& text);

}  // namespace qm
