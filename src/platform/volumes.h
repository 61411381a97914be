// The volumes of this machine, from the mount table: the stand-in for the drive letters and
// drive kinds the design lists. A volume is named by its mount point.
#pragma once

#include <cstdint>
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
};

// Undoes the octal escapes (\040 for a blank...) of a /proc/self/mountinfo field.
std::string UnescapeMountField(std::string_view field);

// Kind of a mount, from its mount point and file-system type (the source is for refinements).
VolumeKind ClassifyVolume(std::string_view mount_point, std::string_view fs_type,
                          std::string_view source);

// Parses the text of /proc/self/mountinfo into the volumes worth listing (kind other than
// kOther), one per device (a bind mount of an already listed device is left out), ordered by
// mount point. Sizes are left at -1.
std::vector<Volume> ParseMountInfo(std::string_view text);

// The listed volumes of this machine with their sizes (statvfs per mount point).
std::vector<Volume> ListVolumes();

}  // namespace qm
