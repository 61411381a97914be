#include "platform/volumes.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "platform/path_style.h"

namespace qm {

namespace {

bool Under(std::string_view path, std::string_view dir) {
  return path == dir ||
         (path.size() > dir.size() && path.substr(0, dir.size()) == dir && path[dir.size()] == '/');
}

bool OneOf(std::string_view s, std::initializer_list<std::string_view> set) {
  return std::find(set.begin(), set.end(), s) != set.end();
}

}  // namespace

std::string UnescapeMountField(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' && s[i + 2] >= '0' &&
        s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
      out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

namespace {

// Fields separated by blanks or tabs.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> out;
  size_t pos = 0;
  while (pos < line.size()) {
    const size_t end = std::min(line.find_first_of(" \t", pos), line.size());
    if (end > pos) out.push_back(line.substr(pos, end - pos));
    pos = end + 1;
  }
  return out;
}

bool HasCommaOption(std::string_view options, std::string_view option) {
  size_t pos = 0;
  while (pos <= options.size()) {
    const size_t end = std::min(options.find(',', pos), options.size());
    if (options.substr(pos, end - pos) == option) return true;
    pos = end + 1;
  }
  return false;
}

// Calls `line_fn` with each line of `text`.
template <class F>
void ForEachLine(std::string_view text, F&& line_fn) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    line_fn(text.substr(pos, end - pos));
    pos = end + 1;
  }
}

std::string ReadWholeFile(const char* path) {
  std::ifstream in(path);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

VolumeKind ClassifyVolume(std::string_view mount_point, std::string_view fs_type,
                          std::string_view /*source*/) {
  if (OneOf(fs_type, {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "ceph", "glusterfs",
                      "9p", "fuse.sshfs", "sshfs", "fuse.rclone", "davfs", "fuse.davfs2",
                      "fuse.s3fs", "fuse.glusterfs", "fuse.cephfs"})) {
    return VolumeKind::kNetwork;
  }
  const bool disk_fs =
      OneOf(fs_type, {"ext2",  "ext3",    "ext4",   "xfs",      "btrfs", "vfat",   "msdos",
                      "exfat", "ntfs",    "ntfs3",  "fuseblk",  "f2fs",  "jfs",    "reiserfs",
                      "zfs",   "hfsplus", "nilfs2", "bcachefs", "udf",   "overlay"});
  if (!disk_fs) return VolumeKind::kOther;  // proc, sysfs, tmpfs (a RAM disk), iso9660, squashfs...
  // An overlay is a disk only as the root of a container.
  if (fs_type == "overlay" && mount_point != "/") return VolumeKind::kOther;
  if (Under(mount_point, "/media") || Under(mount_point, "/run/media") ||
      Under(mount_point, "/mnt")) {
    return VolumeKind::kRemovable;
  }
  if (Under(mount_point, "/boot") || Under(mount_point, "/proc") || Under(mount_point, "/sys") ||
      Under(mount_point, "/dev") || Under(mount_point, "/run") || Under(mount_point, "/snap")) {
    return VolumeKind::kOther;
  }
  return VolumeKind::kLocal;
}

std::vector<Volume> ParseMountInfo(std::string_view text) {
  std::vector<Volume> volumes;
  std::set<std::string> devices;
  ForEachLine(text, [&](std::string_view line) {
    // id parent major:minor root mount-point options [optional...] - fs-type source super-options
    const std::vector<std::string_view> f = Fields(line);
    const auto dash = std::find(f.begin(), f.end(), std::string_view("-"));
    if (f.size() < 6 || dash == f.end() || std::distance(dash, f.end()) < 3) return;
    Volume v;
    v.mount_point = UnescapeMountField(f[4]);
    v.fs_type = UnescapeMountField(*(dash + 1));
    v.source = UnescapeMountField(*(dash + 2));
    v.kind = ClassifyVolume(v.mount_point, v.fs_type, v.source);
    if (v.kind == VolumeKind::kOther) return;
    // Nothing can be backed up onto a read-only mount (a recovery partition, a locked card).
    if (HasCommaOption(f[5], "ro") ||
        (std::distance(dash, f.end()) > 3 && HasCommaOption(*(dash + 3), "ro"))) {
      return;
    }
    // A bind mount repeats the device number of a volume already listed.
    if (!devices.insert(std::string(f[2])).second) return;
    volumes.push_back(std::move(v));
  });
  std::sort(volumes.begin(), volumes.end(),
            [](const Volume& a, const Volume& b) { return a.mount_point < b.mount_point; });
  return volumes;
}

std::vector<std::string> MountedPoints(std::string_view mountinfo) {
  std::set<std::string> points;
  ForEachLine(mountinfo, [&](std::string_view line) {
    const std::vector<std::string_view> f = Fields(line);
    if (f.size() >= 5) points.insert(UnescapeMountField(f[4]));
  });
  return {points.begin(), points.end()};
}

bool FstabEntry::HasOption(std::string_view option) const {
  return HasCommaOption(options, option);
}

std::vector<FstabEntry> ParseFstab(std::string_view text) {
  std::vector<FstabEntry> entries;
  ForEachLine(text, [&](std::string_view line) {
    const size_t hash = line.find('#');
    if (hash != std::string_view::npos) line = line.substr(0, hash);
    const std::vector<std::string_view> f = Fields(line);
    if (f.size() < 3) return;
    FstabEntry e;
    e.source = UnescapeMountField(f[0]);
    e.mount_point = UnescapeMountField(f[1]);
    e.fs_type = UnescapeMountField(f[2]);
    if (f.size() > 3) e.options = UnescapeMountField(f[3]);
    if (e.mount_point.empty() || e.mount_point[0] != '/' || e.fs_type == "swap") return;
    // A mount point written with a trailing slash names the same place.
    e.mount_point.resize(WithoutTrailingSeparators(e.mount_point).size());
    entries.push_back(std::move(e));
  });
  return entries;
}

MountTables ReadMountTables() {
  return {ReadWholeFile("/proc/self/mountinfo"), ReadWholeFile("/etc/fstab")};
}

bool StatVolumeSpace(const std::string& mount_point, int64_t& free_bytes, int64_t& total_bytes) {
  struct statvfs vfs;
  if (::statvfs(mount_point.c_str(), &vfs) != 0 || vfs.f_blocks == 0) return false;
  free_bytes = static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize);
  total_bytes = static_cast<int64_t>(vfs.f_blocks) * static_cast<int64_t>(vfs.f_frsize);
  return true;
}

std::vector<Volume> ListVolumes(const MountTables& tables, const SpaceQuery& space) {
  std::vector<Volume> volumes = ParseMountInfo(tables.mountinfo);
  for (Volume& v : volumes) {
    int64_t free_bytes = -1, total_bytes = -1;
    if (space && space(v.mount_point, free_bytes, total_bytes)) {
      v.free_bytes = free_bytes;
      v.total_bytes = total_bytes;
    }
  }
  const std::vector<std::string> mounted = MountedPoints(tables.mountinfo);
  std::set<std::string> listed;
  for (const Volume& v : volumes) listed.insert(v.mount_point);
  for (const FstabEntry& e : ParseFstab(tables.fstab)) {
    if (std::binary_search(mounted.begin(), mounted.end(), e.mount_point)) continue;
    if (listed.count(e.mount_point) || e.HasOption("ro")) continue;
    // "auto" leaves the type to the medium; take it for a disk.
    VolumeKind kind =
        ClassifyVolume(e.mount_point, e.fs_type == "auto" ? "vfat" : e.fs_type, e.source);
    // A disk mounted only on demand is a drive whose medium comes and goes.
    if (kind == VolumeKind::kLocal && e.HasOption("noauto")) kind = VolumeKind::kRemovable;
    if (kind != VolumeKind::kRemovable && kind != VolumeKind::kNetwork) continue;
    listed.insert(e.mount_point);
    volumes.push_back({e.mount_point, e.source, e.fs_type, kind, -1, -1, false});
  }
  std::sort(volumes.begin(), volumes.end(),
            [](const Volume& a, const Volume& b) { return a.mount_point < b.mount_point; });
  return volumes;
}

std::vector<Volume> ListVolumes() {
  return ListVolumes(ReadMountTables(), StatVolumeSpace);
}

}  // namespace qm
