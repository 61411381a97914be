// Makes a group of finished copies and archives durable with one sync per volume instead of
// one sync each, and only then gives them their final names.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/file_system.h"

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
};

// Finished files stay under their temporary names until Commit() has synced every volume that
// received one; only then are they renamed into place. A power cut before that leaves nothing
// under a final name, and the next run removes the temporaries and copies again. Each file's
// outcome is reported exactly once, at its commit: `done` gets Ok, or the error that kept it
// from its final name (its temporary is then removed).
class DurabilityBatch {
 public:
  static constexpr size_t kMaxFiles = 256;
  static constexpr int64_t kMaxBytes = int64_t{64} << 20;
  using Done = std::function<void(const FinishedFile&, const Status&)>;

  explicit DurabilityBatch(FileSystem& fs) : fs_(fs) {}
  // Commits what is left, reporting nothing further if that throws.
  ~DurabilityBatch();
  DurabilityBatch(const DurabilityBatch&) = delete;
  DurabilityBatch& operator=(const DurabilityBatch&) = delete;

  // Takes a finished file; commits the group when it is full.
  void Add(FinishedFile file, Done done);
  // Syncs each volume of the group once and renames its files into place. False when any
  // file of the group failed.
  bool Commit();
  size_t pending() const { return pending_.size(); }

 private:
  struct Pending {
    FinishedFile file;
    Done done;
  };
  // The volume a directory lies on; asked once per directory.
  std::string VolumeKey(const std::string& dir);
  Status Place(const FinishedFile& f);

  FileSystem& fs_;
  std::vector<Pending> pending_;
  int64_t bytes_ = 0;
  std::map<std::string, std::string, std::less<>> volume_of_dir_;
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
