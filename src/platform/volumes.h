// The volumes of this machine, from the mount table, each with its kind (local, removable,
// network). A volume is named by its mount point.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

enum class VolumeKind {
  kLocal,      // "Local disk": a disk file system mounted outside the removable-media places
  kRemovable,  // "Removeable": a disk file system under /media, /run/media or /mnt
  kNetwork,    // "Network": nfs, cifs, sshfs...
  kOther,      // pseudo file systems, RAM disks, CD images, boot partitions: never listed
};

struct Volume {
  std::string mount_point;  // the volume's name: "/", "/media/usb"...
  std::string source;       // the device or share, as the mount table has it
  std::string fs_type;
  VolumeKind kind = VolumeKind::kOther;
  int64_t free_bytes = -1;   // free for this user; -1 when the system cannot tell
  int64_t total_bytes = -1;  // -1 when the system cannot tell
  // False for an fstab place with nothing mounted on it now: a folder there would be made on
  // the volume beneath.
  bool mounted = true;
};

// Undoes the octal escapes (\040 for a blank...) of a /proc/self/mountinfo field.
std::string UnescapeMountField(std::string_view field);

// Kind of a mount, from its mount point and file-system type (the source is for refinements).
VolumeKind ClassifyVolume(std::string_view mount_point, std::string_view fs_type,
                          std::string_view source);

// Parses the text of /proc/self/mountinfo into the volumes worth listing (kind other than
// kOther, mounted read-write), one per device (a bind mount of an already listed device is left
// out), ordered by mount point. Sizes are left at -1.
std::vector<Volume> ParseMountInfo(std::string_view text);

// Every mount point of the mount table, pseudo file systems included: sorted, each once.
std::vector<std::string> MountedPoints(std::string_view mountinfo);

// One line of /etc/fstab.
struct FstabEntry {
  std::string source;  // device, LABEL=..., UUID=... or share
  std::string mount_point;
  std::string fs_type;
  std::string options;  // as written: "defaults", "noauto,user"...

  bool HasOption(std::string_view option) const;
};

// Parses the text of /etc/fstab: blank lines, comments and lines of fewer than three fields
// are skipped, as are entries that mount nowhere (swap, "none"). Fields are unescaped.
std::vector<FstabEntry> ParseFstab(std::string_view text);

// The two tables the volume list is made from, as text, so that tests can give their own.
struct MountTables {
  std::string mountinfo;
  std::string fstab;
};
// /proc/self/mountinfo and /etc/fstab; a file that cannot be read gives an empty text.
MountTables ReadMountTables();

// Free bytes for this user and total bytes of the volume mounted at a mount point; false when
// the system cannot tell.
using SpaceQuery =
    std::function<bool(const std::string& mount_point, int64_t& free_bytes, int64_t& total_bytes)>;
// statvfs() of the mount point.
bool StatVolumeSpace(const std::string& mount_point, int64_t& free_bytes, int64_t& total_bytes);

// The volumes worth listing: the mounted ones of ParseMountInfo() with their sizes, and the
// removable and network places of fstab that are not mounted now (a drive without its medium),
// which keep the sizes -1. Ordered by mount point.
std::vector<Volume> ListVolumes(const MountTables& tables, const SpaceQuery& space);
// The same for this machine.
std::vector<Volume> ListVolumes();

}  // namespace qm
