// Watching folder trees for changes, so that an unchanged tree need not be walked to learn that
// nothing changed. One kernel watch per folder; folders that appear later are watched as they
// appear. Only changes count: a file written and closed, created, deleted, moved, its attributes
// or times changed, a folder deleted or moved. Reading a file (a backup does) never counts.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"

namespace qm {

// Which folder a path names, whatever mount lies over it: a remount or another volume in its
// place gives another identity.
struct FolderIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool operator==(const FolderIdentity&) const = default;
};

struct ChangeEvent {
  enum class Kind {
    kChanged,      // something below the tree changed; `path` names it
    kTreeGone,     // the tree's root was deleted, moved or unmounted: it is watched no more
    kOverflow,     // the kernel dropped events; every tree may have changed (tree is 0)
    kWatchFailed,  // a folder that appeared could not be watched; `error` says why
  };
  Kind kind = Kind::kChanged;
  int tree = 0;
  std::string path;
  Error error;
};

class ChangeWatch {
 public:
  virtual ~ChangeWatch() = default;

  // Readable when events are waiting; -1 when there is nothing to wait on (a fake).
  virtual int Descriptor() const = 0;
  // Watches `root` and, when `recursive`, every folder below it (links are not followed).
  // Returns the tree's number, or the first failure, in which case nothing of the tree stays
  // watched. The kernel's per-user limit shows as ErrorKind::kNoSpace.
  [[nodiscard]] virtual Result<int> AddTree(const std::string& root, bool recursive) = 0;
  virtual void RemoveTree(int tree) = 0;
  // What has happened since the last call, without waiting.
  virtual std::vector<ChangeEvent> ReadEvents() = 0;
  // The identity of a folder now; nothing when it cannot be looked at.
  virtual std::optional<FolderIdentity> Identify(const std::string& dir) = 0;
  // Kernel watches in use.
  virtual size_t WatchCount() const = 0;
};

// The kernel's change watch (inotify); the error when the kernel refused an instance.
Result<std::unique_ptr<ChangeWatch>> MakeKernelChangeWatch();

// The per-user limits on watches and watching instances (0 when they cannot be read), and the
// names of the settings that raise them.
uint64_t WatchLimit();
inline constexpr const char* kWatchLimitSetting = "fs.inotify.max_user_watches";
inline constexpr const char* kInstanceLimitSetting = "fs.inotify.max_user_instances";

}  // namespace qm
