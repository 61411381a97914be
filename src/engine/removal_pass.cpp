#include "engine/removal_pass.h"

#include <string>

#include "engine/copy_failure.h"
#include "platform/path_style.h"

namespace qm {
namespace {

// A copy made read-only because its source was is still ours to remove.
bool RemoveCopy(FileSystem& fs, const std::string& path, bool read_only) {
  if (read_only) (void)fs.SetReadOnly(path, false);
  if (fs.Remove(path).ok()) return true;
  if (read_only) (void)fs.SetReadOnly(path, true);
  return false;
}

}  // namespace

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
  // The folders that lose files take their source folders' times again.
  FolderFinisher folders = PassFolders(ctx, item.Profile.SrcDir(), item.Profile.DestDir());
  for (size_t i = 0; i < item.DestFiles.Count(); ++i) {
    if (item.DestFiles.Matched(i) != 0) continue;
    const std::string path = item.DestFiles.Text(i);
    // A preview reports the deletion it would make.
    if (ctx.state.Preview) {
      ctx.observer.FileDone({FileAction::kDeleted, FileAction::kDeleted, path, {}, 0});
    } else if (!ctx.fs.CheckPinned().ok()) {
      // The volume went during the run: nothing is removed from what is left of it, and each
      // removal fails as a copy to a missing drive does. One stat a file, beside the unlink.
      ReportDriveNotReady(ctx, {path, path, false, FileAction::kDeleted}, ctx.fs.LostVolume());
    } else if (RemoveCopy(ctx.fs, path, (item.DestFiles.Attr(i) & faReadOnly) != 0)) {
      folders.Touched(std::string(DirectoryPart(path)));
      ctx.observer.FileDone({FileAction::kDeleted, FileAction::kDeleted, path, {}, 0});
    } else {
      ctx.observer.FileDone({FileAction::kFailed, FileAction::kDeleted, path, {}, 0});
    }
  }
}

}  // namespace qm
