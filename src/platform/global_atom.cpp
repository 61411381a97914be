#include "platform/global_atom.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>

#include "platform/file_system.h"
#include "platform/path_style.h"

namespace qm {

namespace {

std::string AtomDirectory(FileSystem& fs) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st;
  if (runtime != nullptr && runtime[0] == '/' && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
    return AddDirSeparator(runtime);
  }
  return fs.TempDirectory();
}

}  // namespace

GlobalAtom::GlobalAtom(std::string name, FileSystem& fs) {
  // The name becomes one file name: separators in it must not reach another directory.
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  if (name.empty() || name == "." || name == "..") name = "_" + name;
  path_ = AtomDirectory(fs) + name;
  const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  created_ = true;
  ::close(fd);  // nothing reads the file: its presence is the atom
}

GlobalAtom::~GlobalAtom() {
  if (created_) ::unlink(path_.c_str());
}

}  // namespace qm
