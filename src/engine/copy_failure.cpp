#include "engine/copy_failure.h"

#include "engine/qmFileUtil.h"

namespace qm {

namespace {
std::string Quoted(const std::string& text, bool quote) {
  return quote ? "\"" + text + "\"" : text;
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
                         const std::string& error_text) {
  const std::string what = "Can not " + std::string(failed.verb) + " file " +
                           Quoted(failed.source, failed.quote_paths) + " to " +
                           Quoted(failed.target, failed.quote_paths);
  ctx.host.FileDone({FileAction::kFailed, failed.attempted, failed.source, failed.target, 0});
  if (TargetFreeSpace(ctx.fs, failed.target) > kFreeSpaceThreshold) {
    ctx.host.WriteLog(lkError, what);
    return;
  }
  const std::string drive = TargetDrive(ctx.fs, failed.target);
  const std::string prefix = "Drive not ready or out of free disk space on drive " + drive;
  ctx.host.WriteLog(lkError, prefix + ": ! " + what);
  if (ctx.state.Mode == RunMode::kBackground) return;
  if (!ctx.dialogs.AskErrorYesNo(prefix + ":\rBreak operation?")) return;
  ctx.host.bStartClick();
  throw RunBroken(error_text);
}

void CopyWithRecords(EngineContext& ctx, const std::string& source, const std::string& target,
                     DurabilityBatch& batch, bool quote_paths, FileAction action) {
  ctx.loop.ProcessMessages();
  // The copier's one error type; anything else is a fault of the program, not of the file.
  int64_t bytes = 0;
  try {
    bytes = CopyFileWithProgress(ctx.fs, ctx.loop, source, target, ctx.controls.psFile,
                                 ctx.controls.lpsCurrentFile, &batch, &ctx.host);
  } catch (const FileError& e) {
    ClassifyCopyFailure(ctx, {"copy", source, target, quote_paths, action}, e.what());
    return;
  }
  ctx.host.FileDone({action, action, source, target, bytes});
  ctx.host.CountOperatedFile();
  ctx.host.WriteLog(lkSuccess, "File " + Quoted(source, quote_paths) + " copied to " +
                                   Quoted(target, quote_paths));
}

}  // namespace qm
