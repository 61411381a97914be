// Files changed on both sides of a two-way profile since its last completed synchronisation.
// Newer wins only when one side changed; when both did, the older side's version is kept beside
// it under a conflict name before the newer one replaces it, so no edit is lost silently.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/engine_context.h"
#include "engine/sync_state.h"

namespace qm {

// The state of one two-way run: what the last completed run left, and the copies this one tries.
class SyncHistory {
 public:
  // Reads the state of the snapshot's folders from the data directory (`data_dir`, empty for
  // DataDirectory()). Without a usable state the observer hears why: no conflict can be told.
  static SyncHistory Open(EngineContext& ctx, const RunSnapshot& item,
                          const std::string& data_dir = {});

  // Both sides differ from what the last run left, and from each other. Never without a state.
  bool Conflict(std::string_view name, const SideState& src, const SideState& dest) const;

  // Keeps the older version `older` (the file about to be replaced by `newer`) as
  // "<older>.conflict-<date-time>" and reports the conflict; in a preview only reports it.
  // False, with the failure reported, when it could not be kept: then `older` must stay.
  bool KeepOlder(EngineContext& ctx, const std::string& src_path, const std::string& dest_path,
                 const std::string& older);  // throw RunBroken

  // A copy between these two paths of the file `name` was tried: what each side holds is read
  // back when the state is saved, whether the copy succeeded or not.
  void Touched(std::string_view name, const std::string& src_path, const std::string& dest_path);

  // After a completed run: the new state, from the lists and the files touched, replaces the
  // old one (unchanged bytes are not rewritten). A failure removes the old state, which no
  // longer tells the truth, and is reported.
  void Save(EngineContext& ctx, const RunSnapshot& item);

 private:
  std::string path_;
  bool known_ = false;
  SyncState before_;
  // The old file's size and checksum (its last 8 bytes): a new state with the same ones is the
  // same state, and is not rewritten.
  size_t before_size_ = 0;
  std::string before_sum_;
  struct TouchedFile {
    std::string name, src_path, dest_path;
  };
  std::vector<TouchedFile> touched_;
};

}  // namespace qm
