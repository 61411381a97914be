// What the engine does when a copy or a pack fails: one error record, and when the target's
// volume is gone or (nearly) full, the question whether to break the run. Shared by the backup
// pass and the synchronisation passes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

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
  std::string_view verb;  // "copy" or "compress", as in "Can not copy file "
  const std::string& source;
  const std::string& target;
  bool quote_paths = true;  // the synchronisation passes write the paths bare
  FileAction attempted = FileAction::kCopied;
};

// Thrown when the user breaks a run after a failed transfer; it unwinds the pass and ends the
// engine loop, which does not report it again. Carries the failed transfer's error text.
class RunBroken : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Writes the error record of a failed transfer and, when the volume is full or gone and the
// background mode is off, asks "Break operation?". On Yes it calls bStartClick (the stop) and
// throws RunBroken; otherwise the caller goes on with the next file. The error's own text is
// not part of the record: the free space decides which record is written.
void ClassifyCopyFailure(EngineContext& ctx, const FailedTransfer& failed,
                         const std::string& error_text = {});  // throw RunBroken

// One plain copy of a pass: processes pending messages, copies with the window's bar and label,
// then counts the file and writes its success record, or classifies the failure. `action` is
// what the observer hears: kCopied, or kCopiedBack in the reverse synchronisation.
void CopyWithRecords(EngineContext& ctx, const std::string& source, const std::string& target,
                     DurabilityBatch& batch, bool quote_paths,
                     FileAction action = FileAction::kCopied);  // throw RunBroken

}  // namespace qm
