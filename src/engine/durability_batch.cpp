#include "engine/durability_batch.h"

#include <chrono>
#include <memory>
#include <system_error>
#include <utility>

#include "platform/path_style.h"

namespace qm {

Status RemoveTemporary(FileSystem& fs, const std::string& temp) {
  Status removed = fs.Remove(temp);
  if (removed.ok() || removed.error().kind != ErrorKind::kReadOnly) return removed;
  (void)fs.SetReadOnly(temp, false);
  return fs.Remove(temp);
}

Status PlaceFinished(FileSystem& fs, const FinishedFile& f) {
  if (!f.may_replace) return fs.RenameNoReplace(f.temp, f.target);
  if (f.target_read_only) (void)fs.SetReadOnly(f.target, false);
  Status s = fs.Rename(f.temp, f.target);
  if (!s.ok() && f.target_read_only) (void)fs.SetReadOnly(f.target, true);
  return s;
}

std::vector<Status> DurabilityBatch::SyncAndPlace(FileSystem& fs, const std::vector<Pending>& group,
                                                  const SyncPlan& plan) {
  std::vector<Status> synced;
  synced.reserve(plan.dirs.size());
  for (const std::string& dir : plan.dirs) synced.push_back(fs.SyncVolume(dir));
  // A volume unmounted or replaced since the run began gets none of the group's names: its
  // files went to a volume that is gone.
  const Status there = plan.dirs.empty() ? Status::Ok() : fs.CheckPinned();
  std::vector<Status> placed(group.size());
  for (size_t i = 0; i < group.size(); ++i) {
    const int volume = plan.volume_of[i];
    if (volume < 0) continue;
    const Status& sync = synced[static_cast<size_t>(volume)];
    placed[i] = !there.ok() ? there : sync.ok() ? PlaceFinished(fs, group[i].file) : sync;
  }
  return placed;
}

DurabilityBatch::DurabilityBatch(FileSystem& fs, Clock* clock)
    : fs_(fs), clock_(clock), background_(fs.ThreadSafe()) {}

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
  ++taken_;
  if (clock_ != nullptr && pending_.size() == 1) opened_ms_ = clock_->TickCount();
  // A sync that is over is placed now rather than when the next group fills, so that files
  // take their names as soon as they may.
  if (synced_.valid() && synced_.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
    (void)FinishSync();
  }
  if (pending_.size() < kMaxFiles && bytes_ < kMaxBytes) {
    const bool trickling = passed_over_ >= taken_;
    if (background_ && clock_ != nullptr && trickling && !synced_.valid() &&
        pending_.size() < kTrickleFiles && clock_->TickCount() - opened_ms_ >= kTrickleMs) {
      StartSync();
    }
    return;
  }
  if (!background_) {
    (void)Commit();
    return;
  }
  // The copying waits for a sync only when far ahead of it; otherwise the files gathered
  // meanwhile form the next group, which starts syncing when this sync is over.
  if (synced_.valid() && pending_.size() < kMaxWaitingFiles && bytes_ < kMaxWaitingBytes) return;
  (void)FinishSync();
  StartSync();
}

std::string DurabilityBatch::VolumeKey(const std::string& dir) {
  if (auto it = volume_of_dir_.find(dir); it != volume_of_dir_.end()) return it->second;
  Result<uint64_t> id = fs_.VolumeId(dir);
  // A directory whose volume cannot be told is synced on its own.
  std::string key = id.ok() ? std::to_string(id.value()) : "?" + dir;
  volume_of_dir_.emplace(dir, key);
  return key;
}

DurabilityBatch::SyncPlan DurabilityBatch::Plan(const std::vector<Pending>& group) {
  SyncPlan plan;
  plan.volume_of.assign(group.size(), -1);
  std::map<std::string, int> volume_index;
  for (size_t i = 0; i < group.size(); ++i) {
    const FinishedFile& f = group[i].file;
    if (f.temp.empty()) continue;
    std::string dir(DirectoryPart(f.temp));
    if (dir.empty()) dir = ".";
    auto [it, added] = volume_index.emplace(VolumeKey(dir), static_cast<int>(plan.dirs.size()));
    if (added) plan.dirs.push_back(std::move(dir));
    plan.volume_of[i] = it->second;
  }
  return plan;
}

std::vector<DurabilityBatch::Pending> DurabilityBatch::TakePending() {
  std::vector<Pending> group = std::move(pending_);
  pending_.clear();
  bytes_ = 0;
  return group;
}

void DurabilityBatch::StartSync() {
  syncing_ = TakePending();
  syncing_plan_ = Plan(syncing_);
  // The group and its plan stay as they are until the task is over: FinishSync waits for it.
  auto sync = std::make_shared<std::packaged_task<std::vector<Status>()>>(
      [&fs = fs_, &group = syncing_, &plan = syncing_plan_] {
        return SyncAndPlace(fs, group, plan);
      });
  synced_ = sync->get_future();
  try {
    syncer_.Run([sync] { (*sync)(); });
  } catch (const std::system_error&) {
    (*sync)();  // no thread to be had: synced here
  }
}

bool DurabilityBatch::FinishSync() {
  if (!synced_.valid()) return true;
  const std::vector<Status> placed = synced_.get();
  std::vector<Pending> group = std::move(syncing_);
  syncing_.clear();
  const SyncPlan plan = std::move(syncing_plan_);
  syncing_plan_ = {};
  return ReportGroup(std::move(group), plan, placed);
}

bool DurabilityBatch::ReportGroup(std::vector<Pending> group, const SyncPlan& plan,
                                  const std::vector<Status>& placed) {
  bool all_placed = true;
  for (size_t i = 0; i < group.size(); ++i) {
    const FinishedFile& f = group[i].file;
    const Status& outcome = placed[i];
    if (plan.volume_of[i] >= 0) {
      if (!outcome.ok()) (void)RemoveTemporary(fs_, f.temp);
      if (outcome.ok() && folders_ != nullptr)
        folders_->Touched(std::string(DirectoryPart(f.target)));
    }
    all_placed = all_placed && outcome.ok();
    if (group[i].done) group[i].done(f, outcome);
  }
  return all_placed;
}

bool DurabilityBatch::Commit() {
  // The group in flight first: files are placed in the order they were taken.
  bool all_placed = FinishSync();
  if (pending_.empty()) return all_placed;
  std::vector<Pending> group = TakePending();
  const SyncPlan plan = Plan(group);
  const std::vector<Status> placed = SyncAndPlace(fs_, group, plan);
  return ReportGroup(std::move(group), plan, placed) && all_placed;
}

}  // namespace qm
