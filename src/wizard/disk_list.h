// The destination page's disk list: one line per volume with its free and total space, the
// recommended volume, and the folder a destination is proposed in on each volume.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/volumes.h"

namespace qm {

// What the disk list needs to know of this machine; tests give their own.
class DiskSource {
 public:
  virtual ~DiskSource() = default;
  virtual std::vector<Volume> Volumes() = 0;
  // The user's home directory; empty when unknown.
  virtual std::string HomeDirectory() = 0;
  // The mount point of the volume holding `path`; empty when unknown.
  virtual std::string MountPointOf(const std::string& path) = 0;
  // Whether the user may create a folder (or use the existing one) named `dir`.
  virtual bool CanCreate(const std::string& dir) = 0;
};

// Megabytes of a byte count, halves rounded to the even neighbour; -1 bytes gives 0.
int64_t RoundMegabytes(int64_t bytes);

// "Local disk", "Removeable" or "Network".
const char* VolumeKindCaption(VolumeKind kind);

// "<mount point> <kind, right-aligned in 10><free Mb, in 7> Mb free, <total Mb, in 7> Mb total".
std::string DiskLineText(const Volume& volume);

// A volume's short name: the last component of its mount point, "root" for "/".
std::string VolumeLabel(std::string_view mount_point);

// The mount point among `volumes` that holds `path` (the longest one that is a prefix of it);
// empty when none does.
std::string ContainingMountPoint(const std::vector<Volume>& volumes, std::string_view path);

struct DiskLine {
  std::string text;
  std::string mount_point;
  // Where destinations are proposed on this volume, with a trailing '/':
  // "<mount point>/Archive/", or "$HOME/Archive/" on the volume of the home directory.
  std::string archive_dir;
  // The user could create the archive folder: only such a volume may be recommended.
  bool usable = false;
};

struct DiskList {
  std::vector<DiskLine> lines;
  // The local volume with the most free space (the first of equals), "/" when there is none.
  std::string recommended = "/";
  // The line to select: the recommended volume's, else 0.
  int recommended_index = 0;
};

DiskList BuildDiskList(DiskSource& source);

// The folder name made from a profile name: words capitalised after blanks, "(", ")", "-",
// "[", "]" and "_", the rest in lower case, then blanks and round brackets removed.
// "My Documents (C)" gives "MyDocumentsC".
std::string FolderNameFromProfileName(std::string_view name);

// The proposed profile name for a source path: its last component, " (", the label of the
// volume holding it, ")". "/home/ann/My Documents" on the root volume gives
// "My Documents (root)".
std::string ProposedProfileName(std::string_view source_path, std::string_view volume_label);

}  // namespace qm
