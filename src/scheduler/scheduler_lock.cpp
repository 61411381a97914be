#include "scheduler/scheduler_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace qm {

namespace {

std::string AbsoluteStorePath(const std::string& store_path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::weakly_canonical(store_path, ec);
  if (ec) p = std::filesystem::absolute(store_path, ec);
  return ec ? store_path : p.lexically_normal().string();
}

// FNV-1a: stable across runs and builds, unlike std::hash.
uint64_t Fnv1a(const std::string& text) {
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

}  // namespace

std::string SchedulerLock::PathFor(const std::string& lock_dir, const std::string& store_path) {
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx",
                static_cast<unsigned long long>(Fnv1a(AbsoluteStorePath(store_path))));
  std::string dir = lock_dir;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir + "background-" + hex + ".lock";
}

bool SchedulerLock::Acquire(const std::string& lock_dir, const std::string& store_path,
                            std::string& error) {
  if (fd_ >= 0) return true;
  std::error_code ec;
  std::filesystem::create_directories(lock_dir, ec);
  const std::string path = PathFor(lock_dir, store_path);
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = "Can not create the lock file " + path + ": " + std::strerror(errno);
    return false;
  }
  // The lock belongs to the open file, so a second scheduler in this very process is refused
  // as well, and a crashed scheduler leaves no stale lock behind.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    ::close(fd);
    error = err == EWOULDBLOCK ? SchedulerBusyMessage(store_path)
                               : "Can not lock " + path + ": " + std::strerror(err);
    return false;
  }
  fd_ = fd;
  return true;
}

void SchedulerLock::Release() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}

std::string SchedulerBusyMessage(const std::string& store_path) {
  return "The background mode already runs for the profile store " + store_path +
         " in another Quillmor.";
}

}  // namespace qm
