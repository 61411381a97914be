#include "engine/removal_pass.h"

#include <string>

namespace qm {

namespace {
std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}
}  // namespace

void RunRemovalPass(EngineContext& ctx, TDataItem& item) {
  const TProfileRecord& p = item.Profile;
  if (item.SrcScanFailed) {
    ctx.host.WriteLog(lkError, "Deleted files not removed from " + Quoted(p.DestDir()) +
                                   ": the source directory " + Quoted(p.SrcDir()) +
                                   " could not be read completely");
    return;
  }
  if (item.SrcFiles.Empty() && !item.DestFiles.Empty()) {
    ctx.host.WriteLog(lkError, "Deleted files not removed from " + Quoted(p.DestDir()) +
                                   ": no file found in the source directory " + Quoted(p.SrcDir()));
    return;
  }
  for (size_t i = 0; i < item.DestFiles.Count(); ++i) {
    if (item.DestFiles.Matched(i) != 0) continue;
    const std::string path = item.DestFiles.Text(i);
    // A preview reports the deletion it would make.
    if (ctx.state.Preview || ctx.fs.Remove(path).ok()) {
      ctx.host.FileDone({FileAction::kDeleted, FileAction::kDeleted, path, {}, 0});
      ctx.host.WriteLog(lkDelete, "Deleted file " + Quoted(path));
    } else {
      ctx.host.FileDone({FileAction::kFailed, FileAction::kDeleted, path, {}, 0});
      ctx.host.WriteLog(lkError, "Can not delete file " + Quoted(path));
    }
    ctx.host.CountOperatedFile();
  }
}

}  // namespace qm
