#include "engine/backup_pass.h"

#include <memory>

#include "engine/copy_failure.h"
#include "engine/names.h"
#include "engine/path_style.h"
#include "engine/qmFileUtil.h"
#include "engine/zip_packer.h"

namespace qm {

namespace {

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

}  // namespace

void PackFile(EngineContext& ctx, ZipPacker& packer, const std::string& source,
              DosDateTime source_time, const std::string& archive) {
  // The packer writes beside the archive and renames over it, so an old archive stays until
  // the new one is complete instead of being deleted first.
  MakeDirPath(ctx.fs, std::string(DirectoryPart(archive)));
  try {
    packer.Reset();
    packer.ClearFiles();
    packer.SetArchiveName(archive);
    packer.AddPath(source);
    packer.SetArchiveTime(source_time);
    packer.Pack();
    packer.Reset();
  } catch (const FileError& e) {
    // The packer's one error type; a RunBroken from a handler run while packing passes on.
    packer.Reset();
    ClassifyCopyFailure(ctx, {"compress", source, archive, true, FileAction::kPacked}, e.what());
    return;
  }
  // The packer has set the time already; setting it again here is what reports a failure.
  if (!ctx.fs.SetLastWriteTime(archive, source_time).ok()) {
    ctx.host.FileDone({FileAction::kFailed, FileAction::kPacked, source, archive, 0});
    ctx.host.WriteLog(lkError, "Can not set up date and time on file " + Quoted(archive));
  } else {
    ctx.host.FileDone(
        {FileAction::kPacked, FileAction::kPacked, source, archive, FileSizeOf(ctx.fs, archive)});
    ctx.host.WriteLog(lkSuccess, "File " + Quoted(source) + " compressed to " + Quoted(archive));
  }
  ctx.host.CountOperatedFile();
}

PassOutcome RunBackupPass(EngineContext& ctx, TDataItem& item) {
  ctx.host.StatusChanged("Backing up...");
  ctx.host.WriteLog(lkInfo, "Backup started");

  const TProfileRecord& p = item.Profile;
  const bool zip = p.doZIP();
  const int16_t keep = p.KeepCopyKind();
  const std::string src_root = p.SrcDir();
  const std::string dest_root = p.DestDir();
  const DestinationIndex index(item.DestFiles, zip, keep);
  std::unique_ptr<ZipPacker> packer;
  // New copies become durable in groups; a stop or a break still commits them on the way out.
  DurabilityBatch batch(ctx.fs);

  for (size_t i = 0; i < item.SrcFiles.Count(); ++i) {
    ctx.host.Update();
    ctx.loop.ProcessMessages();
    if (!ctx.state.Running) return PassOutcome::kStopped;

    const TFilesListItem& s = item.SrcFiles.Object(i);
    // Every kept copy of a file that still exists is marked, not only those the search for
    // a newer copy happened to reach, so the removal pass never deletes them.
    for (size_t j : index.EntriesNamed(s.Name)) item.DestFiles.Object(j).Matched = 1;
    const DestinationIndex::Pairing pairing = index.Pair(s.Name, static_cast<DosDateTime>(s.Time));

    if (!pairing.copy_needed) {
      ctx.host.FileUpToDate(item.SrcFiles.Text(i));
      ++item.FilesDone;  // the destination counterpart counts as done too
    } else {
      // By value: handlers run during the copy may append to the list, which moves its texts.
      const std::string source = item.SrcFiles.Text(i);
      const std::string file_name(FileNamePart(source));
      item.CurrentFile = file_name;
      const std::string suffix =
          keep == kKeepDateTime ? DateTimeSuffix(ctx.clock.Now(), ctx.formats) : std::string();
      const std::string target =
          TargetPath(source, src_root, dest_root, NewCopyName(file_name, keep, pairing.M, suffix));
      if (zip) {
        if (!packer) packer = MakeZipPacker(ctx.fs, ctx.loop);
        PackFile(ctx, *packer, source, static_cast<DosDateTime>(s.Time), target + ".zip");
      } else {
        CopyWithRecords(ctx, source, target, batch, /*quote_paths=*/true);
      }
    }
    ++item.FilesDone;
  }
  batch.Flush();
  return PassOutcome::kCompleted;
}

}  // namespace qm
