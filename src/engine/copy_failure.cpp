#include "engine/copy_failure.h"

#include "engine/qmFileUtil.h"

namespace qm {

namespace {
std::string Quoted(const std::string& text, bool quote) {
  return quote ? "\"" + text + "\"" : text;
}

std::string WhatFailed(const FailedTransfer& failed) {
  return "Can not " + std::string(failed.verb) + " file " +
         Quoted(failed.source, failed.quote_paths) + " to " +
         Quoted(failed.target, failed.quote_paths);
}

void DriveNotReady(EngineContext& ctx, const FailedTransfer& failed, const std::string& drive,
                   const std::string& error_text, bool may_ask) {
  const std::string prefix = "Drive not ready or out of free disk space on drive " + drive;
  ctx.host.WriteLog(lkError, prefix + ": ! " + WhatFailed(failed));
  if (!may_ask || ctx.state.Preview || ctx.state.Mode == RunMode::kBackground) return;
  if (!ctx.dialogs.AskErrorYesNo(prefix + ":\rBreak operation?")) return;
  ctx.host.bStartClick();
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
  ctx.host.FileDone({FileAction::kFailed, failed.attempted, failed.source, failed.target, 0});
  if (TargetFreeSpace(ctx.fs, failed.target) > kFreeSpaceThreshold) {
    ctx.host.WriteLog(lkError, WhatFailed(failed));
    return;
  }
  DriveNotReady(ctx, failed, TargetDrive(ctx.fs, failed.target), error_text, may_ask);
}

void ReportDriveNotReady(EngineContext& ctx, const FailedTransfer& failed,
                         const std::string& drive) {
  ctx.host.FileDone({FileAction::kFailed, failed.attempted, failed.source, failed.target, 0});
  DriveNotReady(ctx, failed, drive, "Drive not ready: " + drive, true);
}

void CopyWithRecords(EngineContext& ctx, const std::string& source, const std::string& target,
                     int64_t source_size, DurabilityBatch& batch, bool quote_paths,
                     FileAction action, bool may_replace) {
  ctx.loop.ProcessMessages();
  // Reported when the batch has made the copy durable under its name, or could not.
  auto done = [&ctx, source, quote_paths, action](const FinishedFile& f, const Status& s) {
    if (!s.ok()) {
      ClassifyCopyFailure(ctx, {"copy", source, f.target, quote_paths, action}, s.error().message,
                          /*may_ask=*/false);
      return;
    }
    ctx.host.FileDone({action, action, source, f.target, f.bytes});
    ctx.host.CountOperatedFile();
    ctx.host.WriteLog(lkSuccess, "File " + Quoted(source, quote_paths) + " copied to " +
                                     Quoted(f.target, quote_paths));
  };
  if (ctx.state.Preview) {
    batch.Add({{}, target, may_replace, false, source_size}, std::move(done));
    return;
  }
  // The copier's one error type; anything else is a fault of the program, not of the file.
  try {
    (void)CopyFileWithProgress(ctx.fs, ctx.loop, source, target, ctx.controls.psFile,
                               ctx.controls.lpsCurrentFile,
                               CopyOptions{&batch, std::move(done), &ctx.host, may_replace});
  } catch (const FileError& e) {
    ClassifyCopyFailure(ctx, {"copy", source, target, quote_paths, action}, e.what());
  }
}

}  // namespace qm
