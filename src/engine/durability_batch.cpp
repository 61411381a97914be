#include "engine/durability_batch.h"

#include "engine/path_style.h"

namespace qm {

DurabilityBatch::~DurabilityBatch() {
  try {
    (void)Flush();
  } catch (...) {
    // Unflushed files keep the old time and are copied again by the next run.
  }
}

void DurabilityBatch::Add(std::string target, DosDateTime real_time, int64_t bytes) {
  pending_.push_back({std::move(target), real_time});
  bytes_ += bytes > 0 ? bytes : 0;
  if (pending_.size() >= kMaxFiles || bytes_ >= kMaxBytes) (void)Flush();
}

bool DurabilityBatch::Flush() {
  if (pending_.empty()) return true;
  std::vector<Pending> files = std::move(pending_);
  pending_.clear();
  bytes_ = 0;
  // A pass writes below one destination root, so the volume of the first file holds them all.
  std::string dir(DirectoryPart(files.front().target));
  if (dir.empty()) dir = ".";
  if (!fs_.SyncVolume(dir).ok()) return false;
  // A time that cannot be set leaves the old one: that file is merely copied again next run.
  for (const Pending& p : files) (void)fs_.SetLastWriteTime(p.target, p.time);
  return true;
}

}  // namespace qm
