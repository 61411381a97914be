// The folders a run has worked in last, held open, so that a call on a file in one of them names
// the file alone instead of making the kernel resolve the folder's path again for every file.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace qm {

// One open folder (an O_PATH descriptor), closed when its last holder lets go.
class FolderHandle {
 public:
  explicit FolderHandle(int fd) : fd_(fd) {}
  ~FolderHandle();
  FolderHandle(const FolderHandle&) = delete;
  FolderHandle& operator=(const FolderHandle&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

// A few folders, the least recently used let go first. Safe to call from several threads: a
// handle handed out stays open while it is held, even when it has been let go here.
class OpenFolders {
 public:
  // The folder `path` names, held already or opened now from `dir` by `relative` (`path` as
  // seen from `dir`); null when it cannot be opened, and the caller's own call meets the
  // reason.
  std::shared_ptr<const FolderHandle> Get(std::string_view path, int dir,
                                          std::string_view relative);
  // Lets go of `path` and every folder under it: it has been renamed, and its path may soon
  // name another folder.
  void Forget(std::string_view path);

 private:
  struct Entry {
    std::string path;
    std::shared_ptr<const FolderHandle> folder;
    uint64_t used = 0;
  };
  std::mutex mutex_;
  std::array<Entry, 8> entries_;
  uint64_t clock_ = 0;
};

}  // namespace qm
