// Makes a group of finished copies and archives durable with one sync per volume instead of
// one sync each, and only then gives them their final names.
#pragma once

#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <string>
#include <vector>

#include "engine/folder_meta.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/worker_thread.h"

namespace qm {

// A copy or archive that is complete under its temporary name: written, closed, carrying the
// source's time, but not yet known to be on the disk.
struct FinishedFile {
  std::string temp;    // empty in a preview: nothing was written
  std::string target;  // the final name
  // A kept copy is never put over an existing file; a plain copy replaces the old one.
  bool may_replace = true;
  bool target_read_only = false;  // the old target is read-only: replaced all the same
  int64_t bytes = 0;
  bool modes_refused = false;  // its volume keeps no modes or owners
};

// Removes a temporary of ours, clearing its read-only attribute first when it took its
// source's read-only mode.
Status RemoveTemporary(FileSystem& fs, const std::string& temp);

// Gives a finished file its final name: without replacing for a kept copy, over the old file
// (read-only or not) for a plain one.
Status PlaceFinished(FileSystem& fs, const FinishedFile& f);

// Finished files stay under their temporary names until every volume that received one has
// been synced after they were closed; only then are they renamed into place. A power cut before
// that leaves nothing under a final name, and the next run removes the temporaries and copies
// again. Each file's outcome is reported exactly once, when it is placed: `done` gets Ok, or
// the error that kept it from its final name (its temporary is then removed).
//
// Where the file system allows calls from two threads, a full group is synced and renamed into
// place on a worker thread while the next group is copied, and reported on the calling thread
// once that is over; at most one group is in flight. While it is, the next group may grow
// past full (up to kMaxWaitingFiles or kMaxWaitingBytes): on a disk slower than the copying the
// groups grow, and the syncs become fewer, instead of the copying stopping at every group.
// Elsewhere a full group is synced and placed at once.
//
// Given a clock, copies that trickle in among files the pass passed over (a few changed files
// among many unchanged ones) are synced as the pass goes on: a group older than kTrickleMs and
// still under kTrickleFiles starts syncing at once when no sync is in flight, so the disk writes
// it meanwhile and the last sync finds little left. While most files are copied (a first
// backup) groups wait to be full: there the small groups would follow one another without end,
// and every sync writes the same folder and inode blocks again.
class DurabilityBatch {
 public:
  static constexpr size_t kMaxFiles = 1024;
  static constexpr int64_t kMaxBytes = int64_t{64} << 20;
  static constexpr size_t kMaxWaitingFiles = 4 * kMaxFiles;
  static constexpr int64_t kMaxWaitingBytes = 4 * kMaxBytes;
  static constexpr size_t kTrickleFiles = kMaxFiles / 4;
  static constexpr uint64_t kTrickleMs = 5;
  using Done = std::function<void(const FinishedFile&, const Status&)>;

  explicit DurabilityBatch(FileSystem& fs, Clock* clock = nullptr);
  // Commits what is left, reporting nothing further if that throws.
  ~DurabilityBatch();
  DurabilityBatch(const DurabilityBatch&) = delete;
  DurabilityBatch& operator=(const DurabilityBatch&) = delete;

  // Takes a finished file; starts the sync of the group when it is full.
  void Add(FinishedFile file, Done done);
  // Tells of a file the pass found up to date, copying nothing.
  void PassedOver() { ++passed_over_; }
  // Makes every file taken so far durable and places it, waiting for a sync in flight. False
  // when any of them failed.
  bool Commit();
  // Files taken and not yet placed.
  size_t pending() const { return pending_.size() + syncing_.size(); }
  // The folders the files go into: made and finished there, and told of every file placed.
  void SetFolders(FolderFinisher* folders) { folders_ = folders; }
  FolderFinisher* folders() const { return folders_; }

 private:
  struct Pending {
    FinishedFile file;
    Done done;
  };
  // What one group needs synced: a directory per volume, and each file's volume among them
  // (-1 for a file with nothing written).
  struct SyncPlan {
    std::vector<std::string> dirs;
    std::vector<int> volume_of;
  };
  // The volume a directory lies on; asked once per directory.
  std::string VolumeKey(const std::string& dir);
  SyncPlan Plan(const std::vector<Pending>& group);
  // The files taken since the last group, which start the next one.
  std::vector<Pending> TakePending();
  // Syncs the group's volumes, then renames into place each file whose volume synced and is
  // still the one pinned; returns each file's outcome. Touches nothing but the file system, so
  // that it may run on the worker thread.
  static std::vector<Status> SyncAndPlace(FileSystem& fs, const std::vector<Pending>& group,
                                          const SyncPlan& plan);
  // Hands the pending group to the worker thread to sync and place.
  void StartSync();
  // Waits for the group in flight, if any, and reports it.
  bool FinishSync();
  // Reports each file of a synced group, in the order taken; a file that did not take its name
  // fails, and its temporary is removed.
  bool ReportGroup(std::vector<Pending> group, const SyncPlan& plan,
                   const std::vector<Status>& placed);

  FileSystem& fs_;
  Clock* clock_;
  FolderFinisher* folders_ = nullptr;
  const bool background_;
  std::vector<Pending> pending_;
  int64_t bytes_ = 0;
  uint64_t opened_ms_ = 0;  // when the pending group took its first file
  size_t taken_ = 0;        // files taken in all
  size_t passed_over_ = 0;  // files the pass found up to date
  std::map<std::string, std::string, std::less<>> volume_of_dir_;
  // The group in flight: its files, its plan, and the outcome of each of its files.
  std::vector<Pending> syncing_;
  SyncPlan syncing_plan_;
  std::future<std::vector<Status>> synced_;
  // The thread the groups are synced on, one for the whole batch. Last, so that it is done
  // with every group before the rest goes.
  WorkerThread syncer_;
};

// Commits a batch on every way out of a pass: at its end, at a stop, a break or an abandon, the
// copies already complete take their names and are reported.
class CommitOnExit {
 public:
  explicit CommitOnExit(DurabilityBatch& batch) : batch_(batch) {}
  ~CommitOnExit() {
    try {
      (void)batch_.Commit();
    } catch (...) {
      // Already unwinding; what was not placed stays a temporary the next run removes.
    }
  }
  CommitOnExit(const CommitOnExit&) = delete;
  CommitOnExit& operator=(const CommitOnExit&) = delete;

 private:
  DurabilityBatch& batch_;
};

}  // namespace qm
