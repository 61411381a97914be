// One background scheduler per profile store: the window's background mode and
// `quillmor --background` on the same store exclude each other, so that an autostarted window
// and a service never run the same profiles side by side.
#pragma once

#include <string>

#include "platform/lock_file.h"

namespace qm {

class SchedulerLock {
 public:
  SchedulerLock() = default;
  SchedulerLock(const SchedulerLock&) = delete;
  SchedulerLock& operator=(const SchedulerLock&) = delete;

  // The lock file of a store: in `lock_dir`, named after a hash of the store's absolute path.
  static std::string PathFor(const std::string& lock_dir, const std::string& store_path);

  // Takes the store's lock; false with `error` set to the message for the user when another
  // scheduler holds it or the lock file cannot be made. Held until Release() or destruction,
  // and by the kernel no longer than the process lives.
  [[nodiscard]] bool Acquire(const std::string& lock_dir, const std::string& store_path,
                             std::string& error);
  void Release() { file_.Release(); }
  bool Held() const { return file_.Held(); }

 private:
  LockFile file_;
};

// "The background mode already runs for the profile store <path> in another Quillmor."
std::string SchedulerBusyMessage(const std::string& store_path);

}  // namespace qm
