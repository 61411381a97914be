#include "engine/scan.h"

#include <memory>

#include "engine/masks.h"

namespace qm {
namespace {

constexpr uint32_t kNeverListed = faHidden | faSysFile | faVolumeID;

class Scanner {
 public:
  Scanner(FileSystem& fs, const std::vector<std::string>& masks, TWList<TFilesListItem>& list,
          bool incl_dirs, const PathStyle& style)
      : fs_(fs), masks_(masks), list_(list), incl_dirs_(incl_dirs), style_(style) {}

  // `prefix` is the relative path of `dir` below the top directory, with a separator, or "".
  void Scan(const std::string& dir, const std::string& prefix) {
    const std::string d = AddDirSeparator(dir, style_);
    // Each directory is read once; the masks are matched against the listing in memory.
    Result<std::vector<DirEntry>> listing = fs_.ListDirectory(d.empty() ? dir : d);
    if (!listing.ok()) {
      if (status_.ok()) status_ = listing.error();
      return;
    }
    const std::vector<DirEntry>& entries = listing.value();

    if (incl_dirs_) {
      for (const DirEntry& e : entries) {
        // A link to a directory is never descended: it could lead back up the tree.
        if (Hidden(e) || !e.is_directory() || e.is_link) continue;
        Scan(d + e.name, prefix + e.name + style_.separator);
      }
    }

    // Within one call a full path can only repeat inside its own directory, so a mark per
    // listing entry is the "already listed" check.
    std::vector<bool> listed(entries.size(), false);
    for (const std::string& mask : masks_) {
      for (size_t i = 0; i < entries.size(); ++i) {
        const DirEntry& e = entries[i];
        if (listed[i] || Hidden(e) || e.is_directory()) continue;
        if (!MatchesMask(e.name, mask)) continue;
        listed[i] = true;
        auto item = std::make_unique<TFilesListItem>();
        item->Name = style_.Key(prefix + e.name);
        item->Time = static_cast<int32_t>(e.time);
        item->DateTime = DosDateTimeToDateTime(e.time);
        item->Size = e.size;
        item->Attr = static_cast<int32_t>(e.attr);
        list_.Add(d + e.name, std::move(item));
      }
    }
  }

  Status status() const { return status_; }

 private:
  static bool Hidden(const DirEntry& e) {
    return e.name.empty() || e.name[0] == '.' || (e.attr & kNeverListed) != 0;
  }

  FileSystem& fs_;
  const std::vector<std::string>& masks_;
  TWList<TFilesListItem>& list_;
  bool incl_dirs_;
  const PathStyle& style_;
  Status status_;
};

void MarkFailed(const Status& status, bool& failed, std::string& error) {
  if (status.ok()) return;
  failed = true;
  error = status.error().message;
}

}  // namespace

Status ScanFolder(FileSystem& fs, const std::string& dir, const std::vector<std::string>& masks,
                  TWList<TFilesListItem>& list, bool incl_dirs, const std::string& top,
                  const PathStyle& style) {
  Scanner scanner(fs, masks, list, incl_dirs, style);
  scanner.Scan(dir, RelativePrefix(AddDirSeparator(dir, style), top, style));
  return scanner.status();
}

Status ScanFolder(FileSystem& fs, const std::string& dir, std::string_view mask_text,
                  TWList<TFilesListItem>& list, bool incl_dirs, const std::string& top,
                  const PathStyle& style) {
  return ScanFolder(fs, dir, CutMaskText(mask_text), list, incl_dirs, top, style);
}

void QueueProfile(EngineContext& ctx, const TProfileRecord& profile) {
  const std::string name = profile.Name();
  if (ctx.RunList.IndexOf(name) >= 0) return;

  auto snapshot = std::make_unique<TDataItem>();
  snapshot->Profile = profile;
  TDataItem& item = ctx.RunList.Add(name, std::move(snapshot));
  ctx.host.ProfileQueued(item);

  const std::vector<std::string> masks = CutMaskText(profile.FileMask());
  const std::string src = profile.SrcDir();
  const std::string dest = profile.DestDir();
  const bool incl_dirs = profile.InclDirs();

  MarkFailed(ScanFolder(ctx.fs, src, masks, item.SrcFiles, incl_dirs, src), item.SrcScanFailed,
             item.SrcScanError);
  // A destination that does not exist yet is simply empty (the first run creates it); only a
  // destination that exists and cannot be read counts as failed.
  Result<DirEntry> dest_top = ctx.fs.Stat(dest);
  if (dest_top.ok() || dest_top.error().kind != ErrorKind::kNotFound) {
    MarkFailed(ScanFolder(ctx.fs, dest, masks, item.DestFiles, incl_dirs, dest),
               item.DestScanFailed, item.DestScanError);
  }

  item.StartedAt = ctx.clock.Now();
  item.FilesDone = 0;
  item.FilesLeft = static_cast<int32_t>(item.SrcFiles.Count() + item.DestFiles.Count());
  item.CurrentFile.clear();
  ctx.host.ProfileScanned(item);
}

}  // namespace qm
