#include "platform/open_folders.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

namespace qm {

FolderHandle::~FolderHandle() {
  ::close(fd_);
}

std::shared_ptr<const FolderHandle> OpenFolders::Get(std::string_view path, int dir,
                                                     std::string_view relative) {
  {
    std::lock_guard lock(mutex_);
    for (Entry& e : entries_) {
      if (e.folder && e.path == path) {
        e.used = ++clock_;
        return e.folder;
      }
    }
  }
  // Opened outside the lock: another thread need not wait for this path's walk.
  const std::string name(relative);
  const int fd = ::openat(dir, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  auto folder = std::make_shared<const FolderHandle>(fd);
  std::lock_guard lock(mutex_);
  Entry& oldest = *std::min_element(entries_.begin(), entries_.end(),
                                    [](const Entry& a, const Entry& b) { return a.used < b.used; });
  oldest.path.assign(path);
  oldest.folder = folder;
  oldest.used = ++clock_;
  return folder;
}

void OpenFolders::Forget(std::string_view path) {
  std::lock_guard lock(mutex_);
  for (Entry& e : entries_) {
    const std::string_view held = e.path;
    const bool under = held.starts_with(path) && (held.size() == path.size() ||
                                                  path.ends_with('/') || held[path.size()] == '/');
    if (e.folder && under) {
      e.folder.reset();
      e.used = 0;
    }
  }
}

}  // namespace qm
