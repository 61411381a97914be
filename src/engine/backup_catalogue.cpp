#include "engine/backup_catalogue.h"

#include "engine/kept_copy_names.h"
#include "engine/masks.h"
#include "engine/scan.h"

namespace qm {

Status BackupCatalogue::Build(FileSystem& fs, const ProfileRecord& profile,
                              const std::vector<std::string>& own_paths) {
  files_.Clear();
  reduced_.clear();
  zip_ = profile.doZIP();
  const std::string root = profile.DestDir();
  if (const std::string place = fs.NotReadyMountPlace(root); !place.empty())
    return Error{ErrorKind::kNotFound, "Drive not ready: " + place};
  // A root that is gone is a backup that cannot be listed, not an empty one.
  Result<DirEntry> top = fs.Stat(root);
  if (!top.ok()) return Error{top.error().kind, "Can not read directory " + root};
  if (!top.value().is_directory())
    return Error{ErrorKind::kNotDirectory, "Can not read directory " + root};
  ScanRequest request;
  request.dir = request.top = root;
  request.masks = CutMaskText(profile.FileMask());
  request.incl_dirs = profile.InclDirs();
  request.destination = true;
  request.doZIP = zip_;
  request.KeepCopyKind = profile.KeepCopyKind();
  request.own_paths = own_paths;
  ScanOutcome outcome = ScanTree(fs, request, files_);
  if (!outcome.status.ok()) return outcome.status;
  if (!outcome.unlisted.empty())
    return Error{ErrorKind::kIo, "Can not read directory " + outcome.unlisted.front()};

  reduced_.reserve(files_.Count());
  std::string name;
  for (size_t i = 0; i < files_.Count(); ++i) {
    files_.NameInto(i, name);
    int64_t m = 0;
    const auto reduced = ReduceDestinationName(name, zip_, request.KeepCopyKind, m);
    reduced_.push_back(static_cast<uint16_t>(reduced ? reduced->size() : name.size()));
  }
  return Status::Ok();
}

std::string BackupCatalogue::SourceName(size_t i) const {
  std::string name = files_.Name(i);
  name.resize(reduced_[i]);
  return name;
}

std::unordered_map<std::string, uint32_t> BackupCatalogue::Newest(
    std::optional<DosDateTime> as_of) const {
  std::unordered_map<std::string, uint32_t> newest;
  newest.reserve(files_.Count());
  std::string name;
  for (size_t i = 0; i < files_.Count(); ++i) {
    if (as_of && Time(i) > *as_of) continue;
    files_.NameInto(i, name);
    name.resize(reduced_[i]);
    auto [at, added] = newest.try_emplace(name, static_cast<uint32_t>(i));
    // Two versions of one time hold the same file: either will do.
    if (!added && Time(i) >= Time(at->second)) at->second = static_cast<uint32_t>(i);
  }
  return newest;
}

}  // namespace qm
