#include "platform/lock_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace qm {

std::string LockFileHash(std::string_view text) {
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  char out[17];
  std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(h));
  return out;
}

bool LockFile::Failure::Busy() const {
  return step == kLock && error == EWOULDBLOCK;
}

LockFile& LockFile::operator=(LockFile&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

bool LockFile::TryAcquire(const std::string& path, Failure& failure) {
  Release();
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    failure = {Failure::kOpen, errno};
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    failure = {Failure::kLock, errno};
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void LockFile::Release() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}

}  // namespace qm
