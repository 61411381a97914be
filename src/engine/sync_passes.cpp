#include "engine/sync_passes.h"

#include <string>
#include <string_view>

#include "engine/copier.h"
#include "engine/copy_failure.h"
#include "engine/copy_queue.h"
#include "engine/destination_index.h"
#include "engine/loop_turns.h"
#include "engine/sync_conflicts.h"
#include "platform/path_style.h"

namespace qm {

namespace {

struct Direction {
  FileAction action;
  PassKind pass;
  const char* status;
  const NamedList<ScannedFile>& from;
  const NamedList<ScannedFile>& to;
  std::string from_root;
  std::string to_root;
  // The target side's listing missed a directory: a file it does not list may still exist.
  bool to_incomplete;
};

bool MayExist(FileSystem& fs, const std::string& path) {
  Result<DirEntry> st = fs.Stat(path);
  return st.ok() || st.error().kind != ErrorKind::kNotFound;
}

// Two links with the same target text are copies of each other, whatever their times.
bool SameLink(FileSystem& fs, const std::string& link, const NamedList<ScannedFile>& other,
              uint32_t j) {
  if ((other.Attr(j) & faSymLink) == 0) return false;
  Result<std::string> a = fs.ReadLink(link);
  Result<std::string> b = fs.ReadLink(other.Text(j));
  return a.ok() && b.ok() && a.value() == b.value();
}

// Both sides changed since the last run: keeps the older one (the target) first. False when it
// could not be kept, and the target must not be replaced.
bool KeepConflicting(EngineContext& ctx, SyncHistory& history, const Direction& d, size_t i,
                     uint32_t found, const std::string& source, const std::string& target,
                     CopyQueue& queue) {
  const bool forward = d.pass == PassKind::kSyncForward;
  const std::string& src_path = forward ? source : target;
  const std::string& dest_path = forward ? target : source;
  const std::string name = d.from.Name(i);
  history.Touched(name, src_path, dest_path);
  if (found == FirstByName::kNone) return true;
  const SideState from{d.from.Size(i), static_cast<DosDateTime>(d.from.Time(i))};
  const SideState to{d.to.Size(found), static_cast<DosDateTime>(d.to.Time(found))};
  if (!history.Conflict(name, forward ? from : to, forward ? to : from)) return true;
  // The kept version's name must be free of the copies made before it, as one by one.
  queue.Flush();
  return history.KeepOlder(ctx, src_path, dest_path, target);
}

PassOutcome RunPass(EngineContext& ctx, RunSnapshot& item, const Direction& d,
                    SyncHistory* history) {
  ctx.observer.StatusChanged(d.status);
  ctx.observer.PassStarted(d.pass, item);
  const FirstByName counterpart(d.to);
  // The target side's volume is not mounted: copies fail as on a missing drive.
  const std::string not_ready = ctx.fs.NotReadyMountPlace(d.to_root);
  // Copies become durable in groups; a stop, a break or an abandon still commits those complete.
  // The folders are finished after the last group.
  FolderFinisher folders = PassFolders(ctx, d.from_root, d.to_root);
  DurabilityBatch batch(ctx.fs, &ctx.clock);
  if (!ctx.state.Preview) batch.SetFolders(&folders);
  CommitOnExit commit(batch);
  CopyQueue queue(ctx, batch, /*sync=*/true, d.action, [&item](const std::string& source) {
    item.CurrentFile = FileNamePart(source);
    ++item.FilesDone;
  });

  for (size_t i = 0; i < d.from.Count(); ++i) {
    ctx.observer.Update();
    LoopTurn(ctx.loop);
    if (!ctx.state.Running) return PassOutcome::kStopped;

    const uint32_t found = counterpart.Find(d.from.Name(i));
    const bool link = (d.from.Attr(i) & faSymLink) != 0;
    const bool copy =
        found == FirstByName::kNone ||
        (static_cast<uint32_t>(d.from.Time(i)) > static_cast<uint32_t>(d.to.Time(found)) &&
         !(link && SameLink(ctx.fs, d.from.Text(i), d.to, found)));
    if (copy) {
      // By value: handlers run during the copy may append to the run list.
      const std::string source = d.from.Text(i);
      const std::string file_name(FileNamePart(source));
      item.CurrentFile = file_name;
      const std::string target = TargetPath(source, d.from_root, d.to_root, file_name);
      const auto lost = [&] { return !not_ready.empty() || !ctx.fs.LostVolume().empty(); };
      const bool unlisted =
          found == FirstByName::kNone && d.to_incomplete && MayExist(ctx.fs, target);
      if (lost() || unlisted) {
        queue.Flush();
        if (lost()) {
          // Lost during the run: every later copy fails as on a missing drive.
          ReportDriveNotReady(ctx, {source, target, true, d.action},
                              not_ready.empty() ? ctx.fs.LostVolume() : not_ready);
        } else {
          // Replacing a file the scan never compared could overwrite newer work.
          FileEvent event{FileAction::kFailed, d.action, source, target};
          event.sync = true;
          event.failure = FileFailure::kUnlistedTarget;
          ctx.observer.FileDone(event);
        }
      } else if (history == nullptr ||
                 KeepConflicting(ctx, *history, d, i, found, source, target, queue)) {
        if (!link && queue.Takes(d.from.Size(i))) {
          queue.Add(source, target, d.from.Size(i), /*may_replace=*/true);
          continue;  // counted done when it is reported
        }
        queue.Flush();
        CopyAndReport(ctx, source, target, d.from.Size(i), batch, /*sync=*/true, d.action,
                      /*may_replace=*/true, link);
      }
    } else {
      batch.PassedOver();
    }
    ++item.FilesDone;
  }
  queue.Flush();
  (void)batch.Commit();
  return PassOutcome::kCompleted;
}

}  // namespace

PassOutcome RunForwardSyncPass(EngineContext& ctx, RunSnapshot& item, SyncHistory* history) {
  const ProfileRecord& p = item.Profile;
  return RunPass(ctx, item,
                 {FileAction::kCopied, PassKind::kSyncForward, "Synchronizing ->...", item.SrcFiles,
                  item.DestFiles, p.SrcDir(), p.DestDir(), item.DestScanFailed},
                 history);
}

PassOutcome RunReverseSyncPass(EngineContext& ctx, RunSnapshot& item, SyncHistory* history) {
  const ProfileRecord& p = item.Profile;
  return RunPass(ctx, item,
                 {FileAction::kCopiedBack, PassKind::kSyncBack, "Synchronizing <-...",
                  item.DestFiles, item.SrcFiles, p.DestDir(), p.SrcDir(), item.SrcScanFailed},
                 history);
}

PassOutcome RunSyncPasses(EngineContext& ctx, RunSnapshot& item, SyncHistory* history) {
  if (RunForwardSyncPass(ctx, item, history) == PassOutcome::kStopped) return PassOutcome::kStopped;
  return RunReverseSyncPass(ctx, item, history);
}

}  // namespace qm
