#include "engine/copy_failure.h"

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
  if (TargetFreeSpace(ctx.fs, failed.target) > kFreeSpaceThreshold) {
    ctx.host.WriteLog(lkError, what);
    return;
  }
  const std::string drive = TargetDrive(ctx.fs, failed.target);
  const std::string prefix = "Drive not ready or out of free disk space on drive " + drive;
  ctx.host.WriteLog(lkError, prefix + ": ! " + what);
  if (ctx.state.BackgroundMode) return;
  if (!ctx.dialogs.AskErrorYesNo(prefix + ":\rBreak operation?")) return;
  ctx.host.bStartClick();
  throw RunBroken(error_text);
}

}  // namespace qm
