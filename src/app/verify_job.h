// Verifying a profile's backup: each source file compared with its newest version, and every
// archive of the backup read through and checked. Reads only, and takes no lock.
#pragma once

#include <string>

#include "app/backup_job_host.h"
#include "profiles/profile_record.h"

namespace qm {

struct VerifyTally {
  int verified = 0, differs = 0, damaged = 0, missing = 0, outdated = 0, unreadable = 0;
  // Backups that could not be listed; the last one's error.
  int failed = 0;
  std::string failure;

  // Something went bad: a copy differs, an archive is damaged, a file cannot be read.
  bool Bad() const { return differs + damaged + unreadable + failed > 0; }
  // Anything to look at in the log, information included.
  bool Found() const { return Bad() || missing + outdated > 0; }
};

// Verifies `profile` and adds what it found to `tally`; the findings go to the host as
// "differs PATH", "damaged ARCHIVE", "unreadable PATH", "missing PATH", "outdated PATH".
void VerifyProfile(BackupJobHost& host, const ProfileRecord& profile,
                   const std::string& lock_directory, VerifyTally& tally);

// "verified N, differs N, damaged N, missing N, outdated N"
std::string VerifySummary(const VerifyTally& tally);

}  // namespace qm
