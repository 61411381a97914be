// Profiles and store files for tests that run the program on real folders.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "profiles/profile_record.h"

namespace qm::test {

// An enabled profile that backs up every file of `src`, subfolders included, into `dest`.
inline ProfileRecord BackupProfile(const std::string& name, const std::string& src,
                                   const std::string& dest) {
  ProfileRecord p;
  p.SetEnabled(true);
  p.SetName(name);
  p.SetSrcDir(src);
  p.SetDestDir(dest);
  p.SetFileMask("*.*");
  p.SetInclDirs(true);
  return p;
}

// Writes `profiles` to `path` as the window saves its store: the records one after another.
inline void WriteStoreFile(const std::string& path, const std::vector<ProfileRecord>& profiles) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  for (const ProfileRecord& p : profiles)
    f.write(reinterpret_cast<const char*>(p.bytes().data()), ProfileRecord::kSize);
}

}  // namespace qm::test
