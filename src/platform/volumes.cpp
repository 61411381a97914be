#include "platform/volumes.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>

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

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> out;
  size_t pos = 0;
  while (pos < line.size()) {
    const size_t end = std::min(line.find(' ', pos), line.size());
    if (end > pos) out.push_back(line.substr(pos, end - pos));
    pos = end + 1;
  }
  return out;
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
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    // id parent major:minor root mount-point options [optional...] - fs-type source super-options
    const std::vector<std::string_view> f = Fields(line);
    const auto dash = std::find(f.begin(), f.end(), std::string_view("-"));
    if (f.size() < 6 || dash == f.end() || std::distance(dash, f.end()) < 3) continue;
    Volume v;
    v.mount_point = UnescapeMountField(f[4]);
    v.fs_type = UnescapeMountField(*(dash + 1));
    v.source = UnescapeMountField(*(dash + 2));
    v.kind = ClassifyVolume(v.mount_point, v.fs_type, v.source);
    if (v.kind == VolumeKind::kOther) continue;
    // A bind mount repeats the device number of a volume already listed.
    if (!devices.insert(std::string(f[2])).second) continue;
    volumes.push_back(std::move(v));
  }
  std::sort(volumes.begin(), volumes.end(),
            [](const Volume& a, const Volume& b) { return a.mount_point < b.mount_point; });
  return volumes;
}

std::vector<Volume> ListVolumes() {
  std::ifstream in("/proc/self/mountinfo");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<Volume> volumes = ParseMountInfo(text);
  for (Volume& v : volumes) {
    struct statvfs vfs;
    if (::statvfs(v.mount_point.c_str(), &vfs) == 0 && vfs.f_blocks > 0) {
      v.free_bytes = static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize);
      v.total_bytes = static_cast<int64_t>(vfs.f_blocks) * static_cast<int64_t>(vfs.f_frsize);
    }
  }
  return volumes;
}

}  // namespace qm
