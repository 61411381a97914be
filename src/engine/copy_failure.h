// What the engine does when a copy or a pack fails: one failure event, and when the target's
// volume is gone or (nearly) full, the question whether to break the run. Shared by the backup
// pass and the synchronisation passes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "engine/durability_batch.h"
#include "engine/engine_context.h"

namespace qm {

// Free space at or below this (twice the copier's block size) means the volume is full.
inline constexpr int64_t kFreeSpaceThreshold = 32768;

// The "drive" named in failure texts: the mount point of the volume holding the target (or its
// nearest existing ancestor). Falls back to the target's first character when the mount point
// cannot be found, so the text always names something.
std::string TargetDrive(FileSystem& fs, const std::string& target);

// Free bytes on the target's volume; -1 when the volume cannot be asked (gone, not ready).
int64_t TargetFreeSpace(FileSystem& fs, const std::string& target);

struct FailedTransfer {
  const std::string& source;
  const std::string& target;
  bool sync = false;  // a synchronisation pass
  FileAction attempted = FileAction::kCopied;
};

// Thrown when the user breaks a run after a failed transfer; it unwinds the pass and ends the
// engine loop, which does not report it again. Carries the failed transfer's error text.
class RunBroken : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reports a failed transfer and, when the volume is full or gone and the background mode is
// off, asks the observer whether to break the run. On Yes it tells the observer, ends the run
// and throws RunBroken; otherwise the caller goes on with the next file. The error's own text is
// not reported: the free space decides which failure it is. `may_ask` false (a group commit, a
// preview) reports only.
void ClassifyCopyFailure(EngineContext& ctx, const FailedTransfer& failed,
                         const std::string& error_text = {},
                         bool may_ask = true);  // throw RunBroken

// A transfer to a volume that is not mounted: a failure naming `drive` (the mount place), and
// the break question as for a full volume. Nothing is written.
void ReportDriveNotReady(EngineContext& ctx, const FailedTransfer& failed,
                         const std::string& drive);  // throw RunBroken

// Tells the observer, once per run, that the volume holding `path` refused modes or owners.
void ReportModesRefused(EngineContext& ctx, const std::string& path);

// The folders of a pass's copies, finished when the pass is done with them; a refusal of their
// modes is reported as for files.
FolderFinisher PassFolders(EngineContext& ctx, const std::string& from_root,
                           const std::string& to_root);

// What a batch calls when it has placed a copy of `source`, or could not: the copy's event, or
// its failure.
DurabilityBatch::Done ReportWhenPlaced(EngineContext& ctx, std::string source, bool sync,
                                       FileAction action);

// One plain copy of a pass: processes pending messages and copies into `batch`, reporting the
// copy's progress to the observer. When the batch commits it, the copy or its failure is reported;
// a copy that fails at once is classified at once. `action` is what the observer hears: kCopied, or
// kCopiedBack in the reverse synchronisation. A kept copy (`may_replace` false) never replaces a
// file. In a preview nothing is copied and the copy of `source_size` bytes is reported at the same
// point as a real one.
void CopyAndReport(EngineContext& ctx, const std::string& source, const std::string& target,
                   int64_t source_size, DurabilityBatch& batch, bool sync,
                   FileAction action = FileAction::kCopied, bool may_replace = true,
                   bool link = false);  // throw RunBroken, RunAbandoned

}  // namespace qm
