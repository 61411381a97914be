// Lock files: an exclusive lock on a file that the kernel drops when its holder dies, however
// it dies, so that no stale lock is ever left behind.
#pragma once

#include <string>
#include <string_view>

namespace qm {

// Names a lock file after `text` (a folder's or a store's path): 16 hexadecimal digits of its
// FNV-1a hash, the same in every run and build, unlike std::hash.
std::string LockFileHash(std::string_view text);

class LockFile {
 public:
  // Why TryAcquire() failed: the open or the lock, with its errno.
  struct Failure {
    enum Step { kOpen, kLock } step = kOpen;
    int error = 0;
    // Another open file holds the lock.
    bool Busy() const;
  };

  LockFile() = default;
  ~LockFile() { Release(); }
  LockFile(LockFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  LockFile& operator=(LockFile&& other) noexcept;
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;

  // Opens `path`, creating it private to the user and closed in child processes, and locks it
  // without waiting. The lock belongs to the open file, so a second LockFile on the same path
  // is refused even within this process. False with `failure` set when it is not held.
  [[nodiscard]] bool TryAcquire(const std::string& path, Failure& failure);
  // Closing the file releases the lock.
  void Release();
  bool Held() const { return fd_ >= 0; }
  // The open lock file, for the holder's own marks in it; -1 when not held.
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

}  // namespace qm
