#include "engine/run_lock.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace qm {

namespace {

constexpr char kRunning = 'R';

// FNV-1a: the same lock name in every build, unlike std::hash.
std::string HashName(const std::string& text) {
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  char out[17];
  std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(h));
  return out;
}

std::string LockFileOfRealPath(const std::string& real, const std::string& lock_directory) {
  return lock_directory + "/" + HashName(real) + ".lock";
}

// Creates `dir` and its missing parents, private to the user.
bool MakeDirs(const std::string& dir) {
  for (size_t at = 1; at <= dir.size(); ++at) {
    if (at != dir.size() && dir[at] != '/') continue;
    const std::string part = dir.substr(0, at);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

}  // namespace

std::string DefaultLockDirectory() {
  std::string home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
    home = pw->pw_dir;
  } else if (const char* env = std::getenv("HOME"); env != nullptr) {
    home = env;
  }
  return home + "/.local/share/Quillmor/locks";
}

std::string LockName(const std::string& path) {
  std::string existing = path;
  std::string rest;
  for (;;) {
    if (char* real = ::realpath(existing.c_str(), nullptr); real != nullptr) {
      std::string out(real);
      std::free(real);
      if (!rest.empty()) out += (out == "/" ? "" : "/") + rest;
      return out;
    }
    while (existing.size() > 1 && existing.back() == '/') existing.pop_back();
    const size_t slash = existing.rfind('/');
    if (slash == std::string::npos) return path;
    const std::string name = existing.substr(slash + 1);
    rest = rest.empty() ? name : name + "/" + rest;
    existing = slash == 0 ? "/" : existing.substr(0, slash);
  }
}

std::string LockFileOf(const std::string& folder, const std::string& lock_directory) {
  return LockFileOfRealPath(LockName(folder), lock_directory);
}

RunLock::~RunLock() {
  for (int fd : fds_) ::close(fd);  // closing releases the lock
}

Result<std::unique_ptr<RunLock>> RunLock::Acquire(const std::vector<std::string>& folders,
                                                  const std::string& lock_directory) {
  std::vector<std::pair<std::string, std::string>> names;  // (real path, folder as given)
  for (const std::string& f : folders) names.emplace_back(LockName(f), f);
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end(),
                          [](const auto& a, const auto& b) { return a.first == b.first; }),
              names.end());

  if (!MakeDirs(lock_directory)) return ErrorFromErrno(errno, "Cannot create", lock_directory);
  std::unique_ptr<RunLock> lock(new RunLock());
  for (const auto& [real, given] : names) {
    const std::string file = LockFileOfRealPath(real, lock_directory);
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return ErrorFromErrno(errno, "Cannot open", file);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int err = errno;
      ::close(fd);
      if (err == EWOULDBLOCK) return Error{ErrorKind::kExists, given};
      return ErrorFromErrno(err, "Cannot lock", file);
    }
    lock->fds_.push_back(fd);
    char mark = 0;
    if (::pread(fd, &mark, 1, 0) == 1 && mark == kRunning) lock->cut_off_ = true;
  }
  return lock;
}

void RunLock::MarkRunning() {
  for (int fd : fds_) {
    // Synced, so that a power cut mid-run still leaves the mark for the next run to see.
    if (::pwrite(fd, &kRunning, 1, 0) == 1) (void)::fdatasync(fd);
  }
}

void RunLock::MarkFinished() {
  for (int fd : fds_) (void)::ftruncate(fd, 0);
}

}  // namespace qm
