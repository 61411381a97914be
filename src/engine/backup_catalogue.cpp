#include "engine/backup_catalogue.h"

#include <algorithm>
#include <functional>
#include <utility>

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
  std::string name;
  SourceNameInto(i, name);
  return name;
}

void BackupCatalogue::SourceNameInto(size_t i, std::string& out) const {
  files_.NameInto(i, out);
  out.resize(reduced_[i]);
}

NewestVersions BackupCatalogue::Newest(std::optional<DosDateTime> as_of) const {
  NewestVersions newest(*this, files_.Count());
  std::string name, scratch;
  for (size_t i = 0; i < files_.Count(); ++i) {
    if (as_of && Time(i) > *as_of) continue;
    SourceNameInto(i, name);
    const auto hash = static_cast<uint32_t>(std::hash<std::string_view>{}(name));
    NewestVersions::Slot& slot = newest.SlotOf(name, hash, scratch);
    if (slot.version == NewestVersions::kNone) {
      slot = {hash, static_cast<uint32_t>(i)};
      ++newest.count_;
    } else if (Time(i) >= Time(slot.version)) {
      // Two versions of one time hold the same file: either will do.
      slot.version = static_cast<uint32_t>(i);
    }
  }
  return newest;
}

NewestVersions::NewestVersions(const BackupCatalogue& catalogue, size_t most)
    : catalogue_(&catalogue) {
  size_t size = 16;
  while (size < most * 2) size *= 2;
  slots_.resize(size);
}

const NewestVersions::Slot& NewestVersions::SlotOf(std::string_view name, uint32_t hash,
                                                   std::string& scratch) const {
  const size_t mask = slots_.size() - 1;
  for (size_t at = hash & mask;; at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (slot.version == kNone) return slot;
    if (slot.hash != hash) continue;
    catalogue_->SourceNameInto(slot.version, scratch);
    if (scratch == name) return slot;
  }
}

NewestVersions::Slot& NewestVersions::SlotOf(std::string_view name, uint32_t hash,
                                             std::string& scratch) {
  return const_cast<Slot&>(std::as_const(*this).SlotOf(name, hash, scratch));
}

uint32_t NewestVersions::Find(std::string_view source_name) const {
  const auto hash = static_cast<uint32_t>(std::hash<std::string_view>{}(source_name));
  return SlotOf(source_name, hash, scratch_).version;
}

std::vector<uint32_t> NewestVersions::InOrder() const {
  std::vector<uint32_t> versions;
  versions.reserve(count_);
  for (const Slot& slot : slots_)
    if (slot.version != kNone) versions.push_back(slot.version);
  std::sort(versions.begin(), versions.end());
  return versions;
}

}  // namespace qm
