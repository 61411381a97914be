// The folder lock files a real program leaves in the user's lock directory. A test that runs
// the program itself cannot move that directory (the program finds it from the password
// database, as a run from cron must), so it removes what its own folders left there.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <system_error>

#include "engine/run_lock.h"

namespace qm::test {

// The lock file of `folder`, named as the program names it.
inline std::string UserLockFileOf(const std::string& folder) {
  return LockFileOf(folder, DefaultLockDirectory());
}

inline void RemoveUserLockFiles(std::initializer_list<std::string> folders) {
  std::error_code ignored;
  for (const std::string& folder : folders)
    std::filesystem::remove(UserLockFileOf(folder), ignored);
}

}  // namespace qm::test
