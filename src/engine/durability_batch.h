// Makes a group of freshly copied files durable with one volume sync instead of one sync each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace qm {

// The time a new copy carries until its data is known to be on the disk: DOS 1980-01-01
// 00:00:00, older than any source, so a run after a power cut copies the file again.
inline constexpr DosDateTime kUnsyncedCopyTime = (1u << 5 | 1u) << 16;

// New copies are renamed into place unsynced, carrying kUnsyncedCopyTime, and recorded here.
// A commit syncs the volume once and only then gives each file its real time. If the sync
// fails the files keep the old time, so the next run copies them again; nothing is lost.
class DurabilityBatch {
 public:
  static constexpr size_t kMaxFiles = 256;
  static constexpr int64_t kMaxBytes = int64_t{64} << 20;

  explicit DurabilityBatch(FileSystem& fs) : fs_(fs) {}
  // Commits what is left; never throws, so a pass may end by an exception.
  ~DurabilityBatch();
  DurabilityBatch(const DurabilityBatch&) = delete;
  DurabilityBatch& operator=(const DurabilityBatch&) = delete;

  // Records a file renamed into place with kUnsyncedCopyTime; commits when the group is full.
  void Add(std::string target, DosDateTime real_time, int64_t bytes);
  // Syncs the volume and sets the real times. False when the sync failed.
  bool Flush();
  size_t pending() const { return pending_.size(); }

 private:
  struct Pending {
    std::string target;
    DosDateTime time;
  };
  FileSystem& fs_;
  std::vector<Pending> pending_;
  int64_t bytes_ = 0;
};

}  // namespace qm
