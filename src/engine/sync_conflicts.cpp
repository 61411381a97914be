#include "engine/sync_conflicts.h"

#include <algorithm>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/copier.h"
#include "engine/copy_failure.h"
#include "engine/destination_index.h"
#include "engine/kept_copy_names.h"
#include "platform/app_paths.h"
#include "platform/atomic_file.h"

namespace qm {

namespace {

SideState SideOf(const NamedList<ScannedFile>& list, uint32_t i) {
  if (i == FirstByName::kNone) return {};
  return {list.Size(i), static_cast<DosDateTime>(list.Time(i))};
}

// What the file at `path` holds now, read as the scan reads it.
SideState SideAt(FileSystem& fs, const std::string& path) {
  Result<DirEntry> st = fs.StatLink(path);
  if (!st.ok() || st.value().is_directory()) return {};
  return {st.value().size, st.value().time};
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

SyncHistory SyncHistory::Open(EngineContext& ctx, const RunSnapshot& item,
                              const std::string& data_dir) {
  SyncHistory h;
  const ProfileRecord& p = item.Profile;
  h.path_ =
      SyncState::PathFor(data_dir.empty() ? DataDirectory() : data_dir, p.SrcDir(), p.DestDir());
  std::string bytes;
  switch (h.before_.Read(ctx.fs, h.path_, p.SrcDir(), p.DestDir(), &bytes)) {
    case SyncState::Loaded::kLoaded:
      h.known_ = true;
      h.before_size_ = bytes.size();
      h.before_sum_ = bytes.substr(bytes.size() - 8);
      break;
    case SyncState::Loaded::kMissing:
      ctx.observer.SyncStateMissing(item, SyncStateLack::kNone);
      break;
    case SyncState::Loaded::kUnreadable:
      ctx.observer.SyncStateMissing(item, SyncStateLack::kUnreadable);
      break;
    case SyncState::Loaded::kOtherFolders:
      ctx.observer.SyncStateMissing(item, SyncStateLack::kOtherFolders);
      break;
  }
  return h;
}

bool SyncHistory::Conflict(std::string_view name, const SideState& src,
                           const SideState& dest) const {
  if (!known_ || src == dest) return false;
  // A file new on both sides since the last run changed on both, too.
  const std::optional<PairState> last = before_.Find(name);
  if (!last) return true;
  return src != last->src && dest != last->dest;
}

bool SyncHistory::KeepOlder(EngineContext& ctx, const std::string& src_path,
                            const std::string& dest_path, const std::string& older) {
  // Never over another kept version, not even one made in the same second.
  const std::string suffix =
      DistinctSuffix(DateTimeSuffix(ctx.clock.Now(), ctx.formats), [&](std::string_view s) {
        return ctx.fs.StatLink(older + ".conflict-" + std::string(s)).ok();
      });
  const std::string kept = older + ".conflict-" + suffix;
  if (!ctx.state.Preview) {
    // A volume gone since the last group: the kept version would land on what is left of it.
    if (!ctx.fs.CheckPinned().ok()) {
      ReportDriveNotReady(ctx, {older, kept, true, FileAction::kCopied}, ctx.fs.LostVolume());
      return false;
    }
    const bool link = HasAttributes(ctx.fs, older, faSymLink);
    try {
      (void)CopyFileWithProgress(ctx.fs, ctx.loop, older, kept,
                                 CopyOptions{nullptr, {}, &ctx.observer, false, link});
    } catch (const FileError& e) {
      ClassifyCopyFailure(ctx, {older, kept, true, FileAction::kCopied}, e.what());
      return false;
    }
  }
  ctx.observer.SyncConflict({src_path, dest_path, kept});
  return true;
}

void SyncHistory::Touched(std::string_view name, const std::string& src_path,
                          const std::string& dest_path) {
  touched_.push_back({std::string(name), src_path, dest_path});
}

void SyncHistory::Save(EngineContext& ctx, const RunSnapshot& item) {
  if (ctx.state.Preview) return;
  const ProfileRecord& p = item.Profile;
  std::unordered_map<std::string_view, const TouchedFile*> touched;
  for (const TouchedFile& t : touched_) touched.emplace(t.name, &t);

  const NamedList<ScannedFile>& src = item.SrcFiles;
  const NamedList<ScannedFile>& dest = item.DestFiles;
  // One index: a destination entry that a source file pairs with is marked, the rest stand alone.
  const FirstByName dest_index(dest);
  std::vector<bool> paired(dest.Count());
  SyncState after;
  after.Reserve(std::max(src.Count(), dest.Count()));
  std::string name;
  auto add = [&](const PairState& listed) {
    auto t = touched.empty() ? touched.end() : touched.find(name);
    if (t == touched.end()) {
      after.Add(name, listed);
    } else {
      after.Add(name, {SideAt(ctx.fs, t->second->src_path), SideAt(ctx.fs, t->second->dest_path)});
    }
  };
  for (uint32_t i = 0; i < src.Count(); ++i) {
    src.NameInto(i, name);
    const uint32_t j = dest_index.Find(name);
    if (j != FirstByName::kNone) paired[j] = true;
    add({SideOf(src, i), SideOf(dest, j)});
  }
  for (uint32_t j = 0; j < dest.Count(); ++j) {
    if (paired[j]) continue;
    dest.NameInto(j, name);
    add({SideState{}, SideOf(dest, j)});
  }

  const std::string bytes = after.Serialize(p.SrcDir(), p.DestDir());
  if (known_ && bytes.size() == before_size_ && bytes.ends_with(before_sum_)) return;
  // The state lists the names of every file of both folders: the owner's alone, as are the
  // folders made for it.
  Status saved = CreateDirectories(ctx.fs, DirectoryOf(path_), /*owner_only=*/true);
  if (saved.ok()) saved = WriteFileAtomically(ctx.fs, path_, bytes, /*owner_only=*/true);
  if (!saved.ok()) {
    // An old state would tell edits made by this run from the next one's as conflicts.
    (void)ctx.fs.Remove(path_);
    ctx.observer.SyncStateNotSaved(path_, saved.error().message);
  }
}

}  // namespace qm
