#include "engine/backup_pass.h"

#include <memory>
#include <optional>
#include <unordered_set>

#include "engine/copier.h"
#include "engine/copy_failure.h"
#include "engine/copy_queue.h"
#include "engine/destination_index.h"
#include "engine/kept_copy_names.h"
#include "engine/loop_turns.h"
#include "engine/zip_packer.h"
#include "platform/path_style.h"

namespace qm {

namespace {

// Why a copy must not be made when the destination listing is incomplete, or nothing when it
// may.
std::optional<FileFailure> UnsafeWithIncompleteListing(EngineContext& ctx,
                                                       const DestinationIndex::Pairing& pairing,
                                                       int16_t keep, const std::string& target) {
  if (keep == kKeepSequence) return FileFailure::kNoFreeKeptNumber;
  // A listed counterpart proves its folder was read; an unlisted file under the target's name
  // may be newer work the scan never saw.
  if (!pairing.matched.empty() && keep == kKeepNone) return std::nullopt;
  Result<DirEntry> st = ctx.fs.Stat(target);
  const ErrorKind absent = st.ok() ? ErrorKind::kOther : st.error().kind;
  if (absent != ErrorKind::kNotFound && absent != ErrorKind::kNotDirectory) {
    return FileFailure::kUnlistedTarget;
  }
  return std::nullopt;
}

// A link is up to date when a copy of it is a link with the same target text, whatever the
// times say.
bool LinkBackedUp(EngineContext& ctx, const RunSnapshot& item, const DestinationIndex& index,
                  size_t i) {
  std::optional<std::string> text;
  for (const uint32_t j : index.EntriesNamed(item.SrcFiles.Name(i))) {
    if ((item.DestFiles.Attr(j) & faSymLink) == 0) continue;
    if (!text) {
      Result<std::string> source = ctx.fs.ReadLink(item.SrcFiles.Text(i));
      if (!source.ok()) return false;  // the copy then fails and says why
      text = std::move(source.value());
    }
    Result<std::string> copy = ctx.fs.ReadLink(item.DestFiles.Text(j));
    if (copy.ok() && copy.value() == *text) return true;
  }
  return false;
}

// A file whose newest copy is a link (the source was a link once) is copied again.
bool PairedWithLink(const RunSnapshot& item, const DestinationIndex::Pairing& pairing) {
  return !pairing.copy_needed && !pairing.matched.empty() &&
         (item.DestFiles.Attr(pairing.matched.back()) & faSymLink) != 0;
}

}  // namespace

void PackFile(EngineContext& ctx, ZipPacker& packer, const std::string& source,
              DosDateTime source_time, const std::string& archive, DurabilityBatch& batch,
              bool may_replace) {
  auto done = [&ctx, source](const FinishedFile& f, const Status& s) {
    if (!s.ok()) {
      ClassifyCopyFailure(ctx, {source, f.target, false, FileAction::kPacked}, s.error().message,
                          /*may_ask=*/false);
      return;
    }
    if (f.modes_refused) ReportModesRefused(ctx, f.target);
    ctx.observer.FileDone({FileAction::kPacked, FileAction::kPacked, source, f.target, f.bytes});
  };
  if (ctx.state.Preview) {
    batch.Add({{}, archive, may_replace, false, FileSizeOf(ctx.fs, source)}, std::move(done));
    return;
  }
  // One status call: whether an archive of that name exists (a kept one is never replaced).
  Result<DirEntry> existing = ctx.fs.Stat(archive);
  std::string temp;
  bool refused = false;
  try {
    if (existing.ok() && !may_replace) {
      throw FileError(Error{ErrorKind::kExists, "Cannot create file " + archive});
    }
    MakeCopyFolders(ctx.fs, &batch, std::string(DirectoryPart(archive)));
    packer.Reset();
    packer.ClearFiles();
    packer.SetArchiveName(archive);
    packer.AddPath(source);
    temp = packer.PackToTemporary();
    refused = packer.ModesRefused();
    packer.Reset();
  } catch (const FileError& e) {
    // The packer's one error type; a RunBroken or RunAbandoned raised while packing passes on.
    packer.Reset();
    ClassifyCopyFailure(ctx, {source, archive, false, FileAction::kPacked}, e.what());
    return;
  }
  // Without the source's time the archive would pass for newer than its source.
  if (!ctx.fs.SetLastWriteTime(temp, source_time).ok()) {
    (void)RemoveTemporary(ctx.fs, temp);
    FileEvent event{FileAction::kFailed, FileAction::kPacked, source, archive};
    event.failure = FileFailure::kTimeNotSet;
    ctx.observer.FileDone(event);
    return;
  }
  const bool read_only = existing.ok() && (existing.value().attr & faReadOnly) != 0;
  batch.Add(
      {temp, archive, may_replace && existing.ok(), read_only, FileSizeOf(ctx.fs, temp), refused},
      std::move(done));
}

PassOutcome RunBackupPass(EngineContext& ctx, RunSnapshot& item) {
  ctx.observer.StatusChanged("Backing up...");
  ctx.observer.PassStarted(PassKind::kBackup, item);

  const ProfileRecord& p = item.Profile;
  const bool zip = p.doZIP();
  const int16_t keep = p.KeepCopyKind();
  const std::string src_root = p.SrcDir();
  const std::string dest_root = p.DestDir();
  const DestinationIndex index(item.DestFiles, zip, keep);
  // An unmounted destination volume: every copy fails as on a missing drive, and nothing is
  // created on the disk beneath its mount point.
  const std::string not_ready = ctx.fs.NotReadyMountPlace(dest_root);
  std::unique_ptr<ZipPacker> packer;
  // Names of dated copies taken by the destination or by this pass, so none is reused.
  std::unordered_set<std::string> taken_names;
  if (keep == kKeepDateTime) {
    for (size_t j = 0; j < item.DestFiles.Count(); ++j)
      taken_names.insert(item.DestFiles.Object(j).Name);
  }
  // Declared before the batch: folders are finished after its last files are placed.
  FolderFinisher folders = PassFolders(ctx, src_root, dest_root);
  DurabilityBatch batch(ctx.fs, &ctx.clock);
  if (!ctx.state.Preview) batch.SetFolders(&folders);
  CommitOnExit commit(batch);
  CopyQueue queue(ctx, batch, /*sync=*/false, FileAction::kCopied,
                  [&item](const std::string& source) {
                    item.CurrentFile = FileNamePart(source);
                    ++item.FilesDone;
                  });

  std::string name, text;  // the source's relative name and full path, their storage reused
  for (size_t i = 0; i < item.SrcFiles.Count(); ++i) {
    ctx.observer.Update();
    LoopTurn(ctx.loop);
    if (!ctx.state.Running) return PassOutcome::kStopped;

    item.SrcFiles.NameAndTextInto(i, name, text);
    const auto time = static_cast<DosDateTime>(item.SrcFiles.Time(i));
    const DestinationIndex::Pairing pairing = index.Pair(name, time);
    // Every kept copy of a file that still exists is marked, not only those the search for
    // a newer copy happened to reach, so the removal pass never deletes them.
    for (const uint32_t j : pairing.named) item.DestFiles.SetMatched(j, 1);
    const bool link = (item.SrcFiles.Attr(i) & faSymLink) != 0;
    const bool copy_needed = link && !zip ? !LinkBackedUp(ctx, item, index, i)
                                          : pairing.copy_needed || PairedWithLink(item, pairing);

    if (!copy_needed) {
      queue.Flush();
      batch.PassedOver();
      ctx.observer.FileUpToDate(text);
      ++item.FilesDone;  // the destination counterpart counts as done too
      ++item.FilesDone;
      continue;
    }
    const std::string& source = text;
    const std::string file_name(FileNamePart(source));
    std::string suffix;
    if (keep == kKeepDateTime) {
      const std::string dir(DirectoryPart(name));
      const std::string extension = zip ? ".zip" : "";
      suffix = DistinctSuffix(
          DateTimeSuffix(ctx.clock.Now(), ctx.formats), [&](std::string_view candidate) {
            return taken_names.count(dir + file_name + "." + std::string(candidate) + extension) >
                   0;
          });
      taken_names.insert(dir + file_name + "." + suffix + extension);
    }
    const std::string target =
        TargetPath(source, src_root, dest_root, NewCopyName(file_name, keep, pairing.M, suffix)) +
        (zip ? ".zip" : "");
    const FailedTransfer failed{source, target, false,
                                zip ? FileAction::kPacked : FileAction::kCopied};
    const std::optional<FileFailure> unsafe =
        item.DestScanFailed ? UnsafeWithIncompleteListing(ctx, pairing, keep, target)
                            : std::nullopt;
    const bool may_replace = keep == kKeepNone;
    const auto lost = [&] { return !not_ready.empty() || !ctx.fs.LostVolume().empty(); };
    if (!unsafe && !zip && !link && queue.Takes(item.SrcFiles.Size(i)) && !lost()) {
      queue.Add(source, target, item.SrcFiles.Size(i), may_replace);
      continue;
    }
    queue.Flush();
    item.CurrentFile = file_name;
    if (lost()) {
      // Lost during the run: every later copy fails as on a missing drive.
      ReportDriveNotReady(ctx, failed, not_ready.empty() ? ctx.fs.LostVolume() : not_ready);
    } else if (unsafe) {
      FileEvent event{FileAction::kFailed, failed.attempted, source, target};
      event.failure = *unsafe;
      ctx.observer.FileDone(event);
    } else if (zip) {
      if (!packer) packer = MakeZipPacker(ctx.fs, ctx.loop, &ctx.observer);
      PackFile(ctx, *packer, source, time, target, batch, may_replace);
    } else {
      CopyAndReport(ctx, source, target, item.SrcFiles.Size(i), batch, /*sync=*/false,
                    FileAction::kCopied, may_replace, link);
    }
    ++item.FilesDone;
  }
  queue.Flush();
  (void)batch.Commit();
  return PassOutcome::kCompleted;
}

}  // namespace qm
