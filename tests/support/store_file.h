// Profiles and store files for tests that run the program on real folders.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "profiles/qmTypes.h"

namespace qm::test {

// An enabled profile that backs up every file of `src`, subfolders included, into `dest`.
inline TProfileRecord BackupProfile(const std::string& name, const std::string& src,
                                    const std::string& dest) {
  TProfileRecord p;
  p.SetEnabled(true);
  p.SetName(name);
  p.SetSrcDir(src);
  p.SetDestDir(dest);
  p.SetFileMask("*.*");
  p.SetInclDirs(true);
  return p;
}

// Writes `profiles` to `path` as the window saves its store: the records one after another.
inline void WriteStoreFile(const std::string& path, const std::vector<TProfileRecord>& profiles) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  for (const TProfileRecord& p : profiles)
    f.write(reinterpret_cast<const char*>(p.bytes().data()), TProfileRecord::kSize);
}

}  // namespace qm::test
