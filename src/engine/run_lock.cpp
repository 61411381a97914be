#include "engine/run_lock.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/path_style.h"

namespace qm {

namespace {

constexpr char kRunning = 'R';

std::string LockFileOfRealPath(const std::string& real, const std::string& lock_directory) {
  return lock_directory + "/" + LockFileHash(real) + ".lock";
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

std::string LockDirectoryOr(const std::string& configured) {
  return std::string(
      WithoutTrailingSeparators(configured.empty() ? DefaultLockDirectory() : configured));
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
    existing = std::string(WithoutTrailingSeparators(existing));
    if (existing.find('/') == std::string::npos) return path;
    const std::string name(FileNamePart(existing));
    rest = rest.empty() ? name : name + "/" + rest;
    existing = DirectoryOf(existing);
  }
}

std::string LockFileOf(const std::string& folder, const std::string& lock_directory) {
  return LockFileOfRealPath(LockName(folder), lock_directory);
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
    LockFile held;
    LockFile::Failure failure;
    if (!held.TryAcquire(file, failure)) {
      if (failure.Busy()) return Error{ErrorKind::kExists, given};
      return ErrorFromErrno(
          failure.error, failure.step == LockFile::Failure::kOpen ? "Cannot open" : "Cannot lock",
          file);
    }
    char mark = 0;
    if (::pread(held.fd(), &mark, 1, 0) == 1 && mark == kRunning) lock->cut_off_ = true;
    lock->files_.push_back(std::move(held));
  }
  return lock;
}

void RunLock::MarkRunning() {
  for (const LockFile& file : files_) {
    const int fd = file.fd();
    // Synced, so that a power cut mid-run still leaves the mark for the next run to see.
    if (::pwrite(fd, &kRunning, 1, 0) == 1) (void)::fdatasync(fd);
  }
}

void RunLock::MarkFinished() {
  for (const LockFile& file : files_) (void)::ftruncate(file.fd(), 0);
}

}  // namespace qm
