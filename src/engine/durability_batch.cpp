#include "engine/durability_batch.h"

#include <utility>

#include "engine/path_style.h"

namespace qm {

DurabilityBatch::~DurabilityBatch() {
  try {
    (void)Commit();
  } catch (...) {
    // Whatever was not placed stays under its temporary name; the next run removes it.
  }
}

void DurabilityBatch::Add(FinishedFile file, Done done) {
  bytes_ += file.bytes > 0 ? file.bytes : 0;
  pending_.push_back({std::move(file), std::move(done)});
  if (pending_.size() >= kMaxFiles || bytes_ >= kMaxBytes) (void)Commit();
}

std::string DurabilityBatch::VolumeKey(const std::string& dir) {
  if (auto it = volume_of_dir_.find(dir); it != volume_of_dir_.end()) return it->second;
  Result<uint64_t> id = fs_.VolumeId(dir);
  // A directory whose volume cannot be told is synced on its own.
  std::string key = id.ok() ? std::to_string(id.value()) : "?" + dir;
  volume_of_dir_.emplace(dir, key);
  return key;
}

Status DurabilityBatch::Place(const FinishedFile& f) {
  if (!f.may_replace) return fs_.RenameNoReplace(f.temp, f.target);
  if (f.target_read_only) (void)fs_.SetReadOnly(f.target, false);
  Status s = fs_.Rename(f.temp, f.target);
  if (!s.ok() && f.target_read_only) (void)fs_.SetReadOnly(f.target, true);
  return s;
}

bool DurabilityBatch::Commit() {
  if (pending_.empty()) return true;
  std::vector<Pending> group = std::move(pending_);
  pending_.clear();
  bytes_ = 0;

  // One sync per volume that received a file of the group.
  std::map<std::string, Status> synced;
  std::vector<const Status*> sync_of(group.size(), nullptr);
  for (size_t i = 0; i < group.size(); ++i) {
    const FinishedFile& f = group[i].file;
    if (f.temp.empty()) continue;
    std::string dir(DirectoryPart(f.temp));
    if (dir.empty()) dir = ".";
    const std::string key = VolumeKey(dir);
    auto it = synced.find(key);
    if (it == synced.end()) it = synced.emplace(key, fs_.SyncVolume(dir)).first;
    sync_of[i] = &it->second;
  }

  bool all_placed = true;
  for (size_t i = 0; i < group.size(); ++i) {
    const FinishedFile& f = group[i].file;
    Status outcome;
    if (!f.temp.empty()) {
      outcome = sync_of[i]->ok() ? Place(f) : *sync_of[i];
      if (!outcome.ok()) (void)fs_.Remove(f.temp);
    }
    all_placed = all_placed && outcome.ok();
    if (group[i].done) group[i].done(f, outcome);
  }
  return all_placed;
}

}  // namespace qm
