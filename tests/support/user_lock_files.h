// The folder lock files a real program leaves in the user's lock directory. A test that runs
// the program itself cannot move that directory (the program finds it from the password
// database, as a run from cron must), so it removes what its own folders left there.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <system_error>

#include "engine/run_lock.h"

namespace qm::test {

// The lock file of `folder`, named as the program names it.
inline std::string UserLockFileOf(const std::string& folder) {
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : LockName(folder)) {
    h ^= c;
    h *= 1099511628211ull;
  }
  char name[32];
  std::snprintf(name, sizeof name, "/%016llx.lock", static_cast<unsigned long long>(h));
  return DefaultLockDirectory() + name;
}

inline void RemoveUserLockFiles(std::initializer_list<std::string> folders) {
  std::error_code ignored;
  for (const std::string& folder : folders)
    std::filesystem::remove(UserLockFileOf(folder), ignored);
}

}  // namespace qm::test
