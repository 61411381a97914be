#include "engine/copy_failure.h"

#include "engine/copier.h"
#include "engine/loop_turns.h"

namespace qm {

namespace {
FileEvent Failure(const FailedTransfer& failed) {
  FileEvent event{FileAction::kFailed, failed.attempted, failed.source, failed.target};
  event.sync = failed.sync;
  return event;
}

void DriveNotReady(EngineContext& ctx, const FailedTransfer& failed, const std::string& drive,
                   const std::string& error_text, bool may_ask) {
  FileEvent event = Failure(failed);
  event.failure = FileFailure::kDriveNotReady;
  event.drive = drive;
  ctx.observer.FileDone(event);
  if (!may_ask || ctx.state.Preview || ctx.state.Mode == RunMode::kBackground) return;
  if (!ctx.observer.AskBreak(event)) return;
  ctx.observer.BreakAccepted();
  // A break ends the run, whoever else heard of it.
  ctx.state.Running = false;
  throw RunBroken(error_text);
}
}  // namespace

std::string TargetDrive(FileSystem& fs, const std::string& target) {
  Result<std::string> mount = fs.MountPointOf(target);
  if (mount.ok() && !mount.value().empty()) return mount.value();
  return target.substr(0, 1);
}

int64_t TargetFreeSpace(FileSystem& fs, const std::string& target) {
  Result<int64_t> free = fs.FreeSpace(target);
  return free.ok() ? free.value() : -1;
}

void ClassifyCopyFailure(EngineContext& ctx, const FailedTransfer& failed,
                         const std::string& error_text, bool may_ask) {
  if (const std::string& lost = ctx.fs.LostVolume(); !lost.empty()) {
    DriveNotReady(ctx, failed, lost, error_text, may_ask);
    return;
  }
  if (TargetFreeSpace(ctx.fs, failed.target) > kFreeSpaceThreshold) {
    ctx.observer.FileDone(Failure(failed));
    return;
  }
  DriveNotReady(ctx, failed, TargetDrive(ctx.fs, failed.target), error_text, may_ask);
}

void ReportDriveNotReady(EngineContext& ctx, const FailedTransfer& failed,
                         const std::string& drive) {
  DriveNotReady(ctx, failed, drive, "Drive not ready: " + drive, true);
}

void ReportModesRefused(EngineContext& ctx, const std::string& path) {
  for (const std::string& volume : ctx.state.VolumesWithoutModes) {
    const bool under =
        path.compare(0, volume.size(), volume) == 0 &&
        (path.size() == volume.size() || volume.back() == '/' || path[volume.size()] == '/');
    if (under) return;  // told already
  }
  const std::string volume = TargetDrive(ctx.fs, path);
  if (ctx.state.VolumesWithoutModes.insert(volume).second) ctx.observer.ModesNotKept(volume);
}

FolderFinisher PassFolders(EngineContext& ctx, const std::string& from_root,
                           const std::string& to_root) {
  return FolderFinisher(ctx.fs, from_root, to_root,
                        [&ctx](const std::string& dir) { ReportModesRefused(ctx, dir); });
}

DurabilityBatch::Done ReportWhenPlaced(EngineContext& ctx, std::string source, bool sync,
                                       FileAction action) {
  return [&ctx, source = std::move(source), sync, action](const FinishedFile& f, const Status& s) {
    if (!s.ok()) {
      ClassifyCopyFailure(ctx, {source, f.target, sync, action}, s.error().message,
                          /*may_ask=*/false);
      return;
    }
    if (f.modes_refused) ReportModesRefused(ctx, f.target);
    FileEvent event{action, action, source, f.target, f.bytes};
    event.sync = sync;
    ctx.observer.FileDone(event);
  };
}

void CopyAndReport(EngineContext& ctx, const std::string& source, const std::string& target,
                   int64_t source_size, DurabilityBatch& batch, bool sync, FileAction action,
                   bool may_replace, bool link) {
  LoopTurn(ctx.loop);
  DurabilityBatch::Done done = ReportWhenPlaced(ctx, source, sync, action);
  if (ctx.state.Preview) {
    batch.Add({{}, target, may_replace, false, source_size}, std::move(done));
    return;
  }
  // The copier's one error type; anything else is a fault of the program, not of the file.
  try {
    (void)CopyFileWithProgress(
        ctx.fs, ctx.loop, source, target,
        CopyOptions{&batch, std::move(done), &ctx.observer, may_replace, link});
  } catch (const FileError& e) {
    ClassifyCopyFailure(ctx, {source, target, sync, action}, e.what());
  }
}

}  // namespace qm
