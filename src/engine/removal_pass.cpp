#include "engine/removal_pass.h"

#include <string>

namespace qm {

void RunRemovalPass(EngineContext& ctx, RunSnapshot& item) {
  if (item.SrcScanFailed) {
    ctx.observer.RemovalSkipped(item, RemovalSkip::kSourceIncomplete);
    return;
  }
  // Only a source folder with nothing in it is taken for a volume that was emptied or not
  // mounted; masks that select no file in a full folder leave the deleted files to remove.
  if (item.SrcFiles.Empty() && !item.SrcTopHasEntries && !item.DestFiles.Empty()) {
    ctx.observer.RemovalSkipped(item, RemovalSkip::kSourceEmpty);
    return;
  }
  for (size_t i = 0; i < item.DestFiles.Count(); ++i) {
    if (item.DestFiles.Matched(i) != 0) continue;
    const std::string path = item.DestFiles.Text(i);
    // A preview reports the deletion it would make.
    if (ctx.state.Preview || ctx.fs.Remove(path).ok()) {
      ctx.observer.FileDone({FileAction::kDeleted, FileAction::kDeleted, path, {}, 0});
    } else {
      ctx.observer.FileDone({FileAction::kFailed, FileAction::kDeleted, path, {}, 0});
    }
  }
}

}  // namespace qm
