// The global atom stand-in: a file in $XDG_RUNTIME_DIR (or the temporary directory) that exists
// exactly while the program runs.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace qm {

class GlobalAtom {
 public:
  // The file is made in $XDG_RUNTIME_DIR, or else in the temporary directory of `fs`.
  GlobalAtom(std::string name, FileSystem& fs);
  ~GlobalAtom();
  GlobalAtom(const GlobalAtom&) = delete;
  GlobalAtom& operator=(const GlobalAtom&) = delete;

  const std::string& path() const { return path_; }
  // False when the file could not be made (no writable directory); the program goes on.
  bool created() const { return created_; }

 private:
  std::string path_;
  bool created_ = false;
};

}  // namespace qm
