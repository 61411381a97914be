// Keeps two runs (the window and a headless run, or two headless runs) from working on one
// folder at the same time, and tells a run whether the last run on its folders was cut off.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/lock_file.h"

namespace qm {

// The lock directory: ~/.local/share/Quillmor/locks of the user's home as the password
// database has it, so that a run from cron, without the session's environment, finds the
// window's locks. Outside every folder the user backs up.
std::string DefaultLockDirectory();

// The lock directory in use: `configured`, or the default when it is empty, without a
// trailing separator.
std::string LockDirectoryOr(const std::string& configured);

// Exclusive locks on folders, one lock file per folder in the lock directory, named by a hash
// of the folder's real path. The system releases them when the holder dies, however it dies.
class RunLock {
 public:
  ~RunLock() = default;
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

  // Locks every folder of `folders` without waiting, in one fixed order so that two runs
  // locking the same pair cannot deadlock. When a folder is locked by another run, nothing is
  // held and the error names that folder (kExists); other errors name what failed.
  static Result<std::unique_ptr<RunLock>> Acquire(const std::vector<std::string>& folders,
                                                  const std::string& lock_directory);

  // True when a run that held one of these folders ended without MarkFinished(): killed, or
  // cut off by a power failure, so its temporaries may still lie about.
  bool LastRunCutOff() const { return cut_off_; }
  // Records, durably, that a run is under way on the folders; MarkFinished() clears it.
  void MarkRunning();
  void MarkFinished();

 private:
  RunLock() = default;
  std::vector<LockFile> files_;
  bool cut_off_ = false;
};

// The real path of `path` when it exists, else that of its nearest existing ancestor with the
// rest appended, so that a destination not yet created locks the same name as later.
std::string LockName(const std::string& path);

// The lock file of `folder` in `lock_directory`.
std::string LockFileOf(const std::string& folder, const std::string& lock_directory);

}  // namespace qm
