#include "scheduler/scheduler_lock.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/path_style.h"

namespace qm {

namespace {

std::string AbsoluteStorePath(const std::string& store_path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::weakly_canonical(store_path, ec);
  if (ec) p = std::filesystem::absolute(store_path, ec);
  return ec ? store_path : p.lexically_normal().string();
}

}  // namespace

std::string SchedulerLock::PathFor(const std::string& lock_dir, const std::string& store_path) {
  return AddDirSeparator(lock_dir) + "background-" + LockFileHash(AbsoluteStorePath(store_path)) +
         ".lock";
}

bool SchedulerLock::Acquire(const std::string& lock_dir, const std::string& store_path,
                            std::string& error) {
  if (Held()) return true;
  std::error_code ec;
  std::filesystem::create_directories(lock_dir, ec);
  const std::string path = PathFor(lock_dir, store_path);
  // The lock belongs to the open file, so a second scheduler in this very process is refused
  // as well, and a crashed scheduler leaves no stale lock behind.
  LockFile::Failure failure;
  if (file_.TryAcquire(path, failure)) return true;
  if (failure.step == LockFile::Failure::kOpen) {
    error = "Can not create the lock file " + path + ": " + std::strerror(failure.error);
  } else {
    error = failure.Busy() ? SchedulerBusyMessage(store_path)
                           : "Can not lock " + path + ": " + std::strerror(failure.error);
  }
  return false;
}

std::string SchedulerBusyMessage(const std::string& store_path) {
  return "The background mode already runs for the profile store " + store_path +
         " in another Quillmor.";
}

}  // namespace qm
