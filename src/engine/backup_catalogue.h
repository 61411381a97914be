// The backup of a profile as versions: every plain copy, kept copy and archive in its
// destination, each under the source-relative name it was made from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/file_system.h"
#include "profiles/file_list.h"
#include "profiles/profile_record.h"

namespace qm {

class BackupCatalogue;

// The newest version of each source-relative name, chosen once from a catalogue, which must
// outlive it. It holds version numbers only (8 bytes a slot, at most half the slots used); the
// names stay in the catalogue's list.
class NewestVersions {
 public:
  static constexpr uint32_t kNone = 0xFFFFFFFF;
  // The version chosen for `source_name`, or kNone.
  uint32_t Find(std::string_view source_name) const;
  // Every chosen version, in the backup's own order.
  std::vector<uint32_t> InOrder() const;
  size_t size() const { return count_; }

 private:
  friend class BackupCatalogue;
  struct Slot {
    uint32_t hash = 0;
    uint32_t version = kNone;
  };
  NewestVersions(const BackupCatalogue& catalogue, size_t most);
  // The slot holding `name` (hash `hash`), or the free slot where it would go.
  Slot& SlotOf(std::string_view name, uint32_t hash, std::string& scratch);
  const Slot& SlotOf(std::string_view name, uint32_t hash, std::string& scratch) const;

  const BackupCatalogue* catalogue_;
  std::vector<Slot> slots_;  // a power of two long
  size_t count_ = 0;
  mutable std::string scratch_;  // a candidate's name, kept to spare an allocation a lookup
};

class BackupCatalogue {
 public:
  // Lists the destination of `profile` with the scan's walk and masks. A destination that is
  // on a mount place not mounted now, or cannot be listed whole, fails: versions missing from
  // the list would pass for files never backed up.
  Status Build(FileSystem& fs, const ProfileRecord& profile,
               const std::vector<std::string>& own_paths = {});

  size_t Count() const { return files_.Count(); }
  bool Archives() const { return zip_; }
  // The source-relative name version i stands for.
  std::string SourceName(size_t i) const;
  // The version's full path in the backup.
  std::string Path(size_t i) const { return files_.Text(i); }
  // Its modification time: the source's when it was copied (an archive carries its entry's).
  DosDateTime Time(size_t i) const { return static_cast<DosDateTime>(files_.Time(i)); }
  // Bytes on disk: the archive's own size in ZIP mode.
  int64_t Size(size_t i) const { return files_.Size(i); }
  bool IsLink(size_t i) const { return (files_.Attr(i) & faSymLink) != 0; }

  // For each source-relative name, its newest version at or before `as_of` (every version
  // when none is given); a name with no such version is left out.
  NewestVersions Newest(std::optional<DosDateTime> as_of) const;
  // SourceName into `out`, reusing its buffer.
  void SourceNameInto(size_t i, std::string& out) const;

 private:
  NamedList<ScannedFile> files_;
  std::vector<uint16_t> reduced_;  // length of the source name within each version's Name
  bool zip_ = false;
};

}  // namespace qm
