#include "engine/scan.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <span>
#include <thread>

#include "engine/masks.h"
#include "engine/run_lock.h"
#include "engine/temporary_names.h"

namespace qm {
namespace {

// Devices, sockets and fifos, and what carries the volume attribute, are never listed whatever
// their names.
constexpr uint32_t kNeverListedAttributes = faHidden | faSysFile | faVolumeID;
constexpr uint32_t kNoDirectory = 0xFFFFFFFF;
constexpr std::string_view kCacheTagName = "CACHEDIR.TAG";

class Scanner {
 public:
  Scanner(FileSystem& fs, const ScanRequest& request, NamedList<ScannedFile>& list,
          const PathStyle& style)
      : fs_(fs), request_(request), list_(list), style_(style) {}

  // `path` names `dir` as the caller does; `prefix` is the relative path of `dir` below the
  // top directory, with a separator, or "".
  void Scan(Directory& dir, const std::string& path, const std::string& prefix) {
    const std::string d = AddDirSeparator(path, style_);
    const bool top = !below_top_;
    below_top_ = true;
    // Each directory is read once; the masks are matched against the listing in memory.
    Result<std::vector<DirEntry>> listing = dir.List();
    if (!listing.ok()) return Fail(path, listing.error());
    const std::vector<DirEntry>& entries = listing.value();
    if (TaggedAsCache(d, entries)) {
      outcome_.caches.push_back(path);
      return;
    }
    // The names of this directory that are the program's own; usually none.
    std::vector<std::string_view> own;
    for (const std::string& own_path : request_.own_paths)
      if (DirectoryPart(own_path, style_) == d) own.push_back(FileNamePart(own_path, style_));
    const auto is_own = [&own](const DirEntry& e) {
      return !own.empty() && std::find(own.begin(), own.end(), e.name) != own.end();
    };
    if (top) {
      outcome_.top_has_entries =
          std::any_of(entries.begin(), entries.end(),
                      [&](const DirEntry& e) { return !NeverListed(e.name) && !is_own(e); });
    }

    if (request_.incl_dirs) {
      for (const DirEntry& e : entries) {
        // A link to a directory is never descended: it could lead back up the tree.
        if (Hidden(e) || !e.is_directory() || e.is_link || is_own(e)) continue;
        const std::string sub_path = d + e.name;
        Result<std::unique_ptr<Directory>> sub =
            dir.Open(e.name, AddDirSeparator(sub_path, style_));
        if (!sub.ok()) {
          Fail(sub_path, sub.error());
          continue;
        }
        Scan(*sub.value(), sub_path, prefix + e.name + style_.separator);
      }
    }

    // Within one call a full path can only repeat inside its own directory, so a mark per
    // listing entry is the "already listed" check.
    std::vector<bool> listed(entries.size(), false);
    uint32_t dir_index = kNoDirectory;
    std::string key;
    for (const std::string& mask : request_.masks) {
      for (size_t i = 0; i < entries.size(); ++i) {
        const DirEntry& e = entries[i];
        if (listed[i] || e.is_directory() || NeverListed(e.name) || is_own(e)) continue;
        const bool special = (e.attr & kNeverListedAttributes) != 0;
        if (special && request_.destination) continue;
        const std::string_view selected_by =
            request_.destination ? NameStoodFor(e.name, request_.doZIP, request_.KeepCopyKind)
                                 : std::string_view(e.name);
        if (!MatchesMask(selected_by, mask)) continue;
        listed[i] = true;
        if (special) {
          outcome_.special_files.push_back(d + e.name);
          continue;
        }
        // A directory enters the list's table with its first listed file.
        if (dir_index == kNoDirectory) dir_index = list_.AddDirectory(d, style_.Key(prefix));
        if (style_.case_insensitive) key = style_.Key(e.name);
        list_.AddFile(dir_index, e.name, style_.case_insensitive ? key : e.name, e.time, e.size,
                      e.attr);
      }
    }
  }

  void Fail(const std::string& path, const Error& error) {
    if (outcome_.status.ok()) outcome_.status = error;
    outcome_.unlisted.push_back(path);
  }

  ScanOutcome& outcome() { return outcome_; }

 private:
  static bool Hidden(const DirEntry& e) {
    return NeverListed(e.name) || (e.attr & kNeverListedAttributes) != 0;
  }

  // A folder that holds a CACHEDIR.TAG file beginning with the standard signature.
  bool TaggedAsCache(const std::string& d, const std::vector<DirEntry>& entries) {
    for (const DirEntry& e : entries) {
      if (e.name != kCacheTagName || e.is_directory() || e.is_link) continue;
      Result<std::unique_ptr<ReadableFile>> tag = fs_.OpenRead(d + e.name);
      if (!tag.ok()) return false;
      std::string head(kCacheDirSignature.size(), '\0');
      Result<size_t> got = tag.value()->Read(std::as_writable_bytes(std::span(head)));
      return got.ok() && got.value() == head.size() && head == kCacheDirSignature;
    }
    return false;
  }

  FileSystem& fs_;
  const ScanRequest& request_;
  NamedList<ScannedFile>& list_;
  const PathStyle& style_;
  ScanOutcome outcome_;
  bool below_top_ = false;
};

void MarkFailed(ScanOutcome&& outcome, bool& failed, std::string& error,
                std::vector<std::string>& unlisted) {
  unlisted = std::move(outcome.unlisted);
  if (outcome.status.ok()) return;
  failed = true;
  error = outcome.status.error().message;
}

}  // namespace

ScanOutcome ScanTree(FileSystem& fs, const ScanRequest& request, NamedList<ScannedFile>& list,
                     const PathStyle& style) {
  Scanner scanner(fs, request, list, style);
  const std::string d = AddDirSeparator(request.dir, style);
  Result<std::unique_ptr<Directory>> top = fs.OpenDirectory(d.empty() ? request.dir : d);
  if (!top.ok()) {
    scanner.Fail(request.dir, top.error());
  } else {
    scanner.Scan(*top.value(), request.dir, RelativePrefix(d, request.top, style));
  }
  return std::move(scanner.outcome());
}

Status ScanFolder(FileSystem& fs, const std::string& dir, const std::vector<std::string>& masks,
                  NamedList<ScannedFile>& list, bool incl_dirs, const std::string& top,
                  const PathStyle& style) {
  ScanRequest request;
  request.dir = dir;
  request.masks = masks;
  request.incl_dirs = incl_dirs;
  request.top = top;
  return ScanTree(fs, request, list, style).status;
}

Status ScanFolder(FileSystem& fs, const std::string& dir, std::string_view mask_text,
                  NamedList<ScannedFile>& list, bool incl_dirs, const std::string& top,
                  const PathStyle& style) {
  return ScanFolder(fs, dir, CutMaskText(mask_text), list, incl_dirs, top, style);
}

void QueueProfile(EngineContext& ctx, const ProfileRecord& profile) {
  const std::string name = profile.Name();
  if (ctx.run_list.IndexOf(name) >= 0) return;

  auto snapshot = std::make_unique<RunSnapshot>();
  snapshot->Profile = profile;
  RunSnapshot& item = ctx.run_list.Add(name, std::move(snapshot));
  ctx.observer.ProfileQueued(item);

  ScanRequest src;
  src.dir = src.top = profile.SrcDir();
  src.masks = CutMaskText(profile.FileMask());
  src.incl_dirs = profile.InclDirs();
  // A profile over a home folder must not back up the program's own live files.
  src.own_paths.push_back(LockDirectoryOr(ctx.state.LockDirectory));
  if (!ctx.state.LogFile.empty()) src.own_paths.push_back(ctx.state.LogFile);
  ScanRequest dest = src;
  dest.dir = dest.top = profile.DestDir();
  dest.destination = true;
  dest.doZIP = profile.doZIP();
  dest.KeepCopyKind = profile.KeepCopyKind();

  // A destination that does not exist yet is simply empty (the first run creates it); only a
  // destination that exists and cannot be read counts as failed.
  Result<DirEntry> dest_top = ctx.fs.Stat(dest.dir);
  const bool scan_dest = dest_top.ok() || dest_top.error().kind != ErrorKind::kNotFound;

  // The walks touch nothing but the file system and their own list, so the destination's may
  // run beside the source's; every control and record is handled here after the join.
  ScanOutcome src_outcome, dest_outcome;
  auto walk_dest = [&] {
    if (scan_dest) dest_outcome = ScanTree(ctx.fs, dest, item.DestFiles);
  };
  if (scan_dest && ctx.fs.ThreadSafe()) {
    std::exception_ptr dest_failure;
    std::thread dest_walk([&] {
      try {
        walk_dest();
      } catch (...) {
        dest_failure = std::current_exception();
      }
    });
    try {
      src_outcome = ScanTree(ctx.fs, src, item.SrcFiles);
    } catch (...) {
      dest_walk.join();
      throw;
    }
    dest_walk.join();
    if (dest_failure) std::rethrow_exception(dest_failure);
  } else {
    src_outcome = ScanTree(ctx.fs, src, item.SrcFiles);
    walk_dest();
  }
  item.CacheDirs = std::move(src_outcome.caches);
  item.CacheDirs.insert(item.CacheDirs.end(), dest_outcome.caches.begin(),
                        dest_outcome.caches.end());
  item.SpecialFiles = std::move(src_outcome.special_files);
  item.SrcTopHasEntries = src_outcome.top_has_entries;
  MarkFailed(std::move(src_outcome), item.SrcScanFailed, item.SrcScanError, item.SrcUnlistedDirs);
  MarkFailed(std::move(dest_outcome), item.DestScanFailed, item.DestScanError,
             item.DestUnlistedDirs);

  item.StartedAt = ctx.clock.Now();
  item.FilesDone = 0;
  item.FilesLeft = static_cast<int32_t>(item.SrcFiles.Count() + item.DestFiles.Count());
  item.CurrentFile.clear();
  ctx.observer.ProfileScanned(item);
}

void ReportUnlistedSourceDirectories(EngineContext& ctx, const RunSnapshot& item) {
  for (const std::string& dir : item.SrcUnlistedDirs) {
    ctx.observer.SourceUnreadable(dir);
  }
}

void ReportSkippedEntries(EngineContext& ctx, const RunSnapshot& item) {
  for (const std::string& dir : item.CacheDirs) ctx.observer.CacheSkipped(dir);
  for (const std::string& path : item.SpecialFiles) ctx.observer.SpecialFileSkipped(path);
}

}  // namespace qm
