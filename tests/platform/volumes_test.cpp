#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/volumes.h"

namespace qm {
namespace {

using Points = std::vector<std::string>;

Points MountPoints(const std::vector<Volume>& volumes) {
  Points out;
  for (const Volume& v : volumes) out.push_back(v.mount_point);
  return out;
}

TEST(Volumes, ClassifiesMountsLikeDriveKinds) {
  EXPECT_EQ(ClassifyVolume("/", "ext4", "/dev/sda1"), VolumeKind::kLocal);
  EXPECT_EQ(ClassifyVolume("/home", "btrfs", "/dev/sda2"), VolumeKind::kLocal);
  EXPECT_EQ(ClassifyVolume("/media/ann/USB STICK", "vfat", "/dev/sdb1"), VolumeKind::kRemovable);
  EXPECT_EQ(ClassifyVolume("/run/media/ann/disk", "exfat", "/dev/sdc1"), VolumeKind::kRemovable);
  EXPECT_EQ(ClassifyVolume("/mnt", "ntfs3", "/dev/sdd1"), VolumeKind::kRemovable);
  EXPECT_EQ(ClassifyVolume("/srv/share", "nfs4", "nas:/share"), VolumeKind::kNetwork);
  EXPECT_EQ(ClassifyVolume("/mnt/office", "cifs", "//srv/office"), VolumeKind::kNetwork);
  EXPECT_EQ(ClassifyVolume("/home/ann/remote", "fuse.sshfs", "ann@host:"), VolumeKind::kNetwork);
  // Pseudo file systems, RAM disks, CD images and boot partitions are never listed.
  EXPECT_EQ(ClassifyVolume("/proc", "proc", "proc"), VolumeKind::kOther);
  EXPECT_EQ(ClassifyVolume("/tmp", "tmpfs", "tmpfs"), VolumeKind::kOther);
  EXPECT_EQ(ClassifyVolume("/media/cdrom", "iso9660", "/dev/sr0"), VolumeKind::kOther);
  EXPECT_EQ(ClassifyVolume("/boot/efi", "vfat", "/dev/sda1"), VolumeKind::kOther);
  EXPECT_EQ(ClassifyVolume("/snap/core/1", "squashfs", "/dev/loop0"), VolumeKind::kOther);
}

TEST(Volumes, ParsesTheMountTableOncePerDeviceInMountPointOrder) {
  const std::string table =
      "21 26 0:20 / /proc rw,relatime - proc proc rw\n"
      "30 1 8:17 / /media/ann/USB\\040STICK rw shared:5 - vfat /dev/sdb1 rw\n"
      "26 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
      "27 26 8:1 /srv /var/bind rw - ext4 /dev/sda1 rw\n"
      "28 26 0:50 / /net rw - nfs4 nas:/export rw\n"
      "garbage line\n"
      "29 26 8:2 / /data rw - xfs /dev/sda2 rw";
  const std::vector<Volume> v = ParseMountInfo(table);
  ASSERT_EQ(MountPoints(v), (Points{"/", "/data", "/media/ann/USB STICK", "/net"}));
  EXPECT_EQ(v[2].kind, VolumeKind::kRemovable);
  EXPECT_EQ(v[3].kind, VolumeKind::kNetwork);
  EXPECT_EQ(v[3].source, "nas:/export");
  EXPECT_EQ(v[0].free_bytes, -1);
}

TEST(Volumes, LeavesOutReadOnlyMounts) {
  const std::string table =
      "26 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
      "30 26 8:17 / /media/ann/CARD ro,nosuid - vfat /dev/sdb1 ro\n"
      "31 26 8:33 / /data rw - ext4 /dev/sdc1 ro,errors=remount-ro\n";
  EXPECT_EQ(MountPoints(ParseMountInfo(table)), Points{"/"});
}

TEST(Volumes, MountedPointsListEveryMountOnce) {
  const std::string table =
      "21 26 0:20 / /proc rw - proc proc rw\n"
      "26 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
      "27 26 8:1 /srv /var/bind rw - ext4 /dev/sda1 rw\n"
      "28 26 8:1 /srv /var/bind rw - ext4 /dev/sda1 rw\n"
      "29 26 8:17 / /mnt/my\\040disk rw - ext4 /dev/sdb1 rw\n";
  EXPECT_EQ(MountedPoints(table), (Points{"/", "/mnt/my disk", "/proc", "/var/bind"}));
}

TEST(Volumes, ParsesFstab) {
  const std::string fstab =
      "# <file system> <mount point> <type> <options> <dump> <pass>\n"
      "UUID=1234\t/\text4\terrors=remount-ro 0 1\n"
      "\n"
      "   # an indented comment\n"
      "/dev/sdb1 /media/usb\\040stick/ vfat noauto,user 0 0  # the stick\n"
      "/swapfile none swap sw 0 0\n"
      "/dev/sda3 swap swap defaults\n"
      "nas:/export /net nfs\n"
      "broken-line-with-two fields\n";
  const std::vector<FstabEntry> e = ParseFstab(fstab);
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].source, "UUID=1234");
  EXPECT_EQ(e[0].mount_point, "/");
  EXPECT_EQ(e[1].mount_point, "/media/usb stick");
  EXPECT_TRUE(e[1].HasOption("noauto"));
  EXPECT_TRUE(e[1].HasOption("user"));
  EXPECT_FALSE(e[1].HasOption("use"));
  EXPECT_EQ(e[2].fs_type, "nfs");
  EXPECT_EQ(e[2].options, "");
}

TEST(Volumes, ListsMountedVolumesWithSizesAndFstabPlacesWithoutMedium) {
  MountTables tables;
  tables.mountinfo =
      "26 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
      "28 26 0:50 / /net rw - nfs4 nas:/export rw\n"
      "29 26 8:2 / /data rw - xfs /dev/sda2 rw\n";
  tables.fstab =
      "/dev/sda1 / ext4 defaults 0 1\n"
      "/dev/sdb1 /media/stick auto noauto,user 0 0\n"
      "/dev/sdc1 /backup ext4 noauto 0 0\n"
      "/dev/sdd1 /srv ext4 defaults 0 0\n"
      "/dev/sr0 /media/cdrom iso9660 ro,noauto 0 0\n"
      "office:/share /mnt/office cifs noauto 0 0\n";
  const auto space = [](const std::string& mount_point, int64_t& free_bytes, int64_t& total) {
    if (mount_point == "/net") return false;
    free_bytes = mount_point == "/" ? 100 : 200;
    total = 1000;
    return true;
  };
  const std::vector<Volume> v = ListVolumes(tables, space);
  // /srv is a local disk that should be mounted and is not: not a drive without a medium.
  ASSERT_EQ(MountPoints(v),
            (Points{"/", "/backup", "/data", "/media/stick", "/mnt/office", "/net"}));
  EXPECT_EQ(v[0].free_bytes, 100);
  EXPECT_TRUE(v[0].mounted);
  EXPECT_FALSE(v[1].mounted);
  EXPECT_FALSE(v[3].mounted);
  EXPECT_TRUE(v[5].mounted);
  EXPECT_EQ(v[1].kind, VolumeKind::kRemovable);
  EXPECT_EQ(v[1].free_bytes, -1);
  EXPECT_EQ(v[2].free_bytes, 200);
  EXPECT_EQ(v[3].kind, VolumeKind::kRemovable);
  EXPECT_EQ(v[3].total_bytes, -1);
  EXPECT_EQ(v[4].kind, VolumeKind::kNetwork);
  EXPECT_EQ(v[5].free_bytes, -1);  // the system could not tell
  EXPECT_EQ(v[5].total_bytes, -1);
}

TEST(Volumes, ListedVolumesHaveConsistentSizes) {
  const std::vector<Volume> v = ListVolumes();
  for (const Volume& vol : v) {
    EXPECT_NE(vol.kind, VolumeKind::kOther);
    if (vol.total_bytes >= 0) {
      EXPECT_LE(vol.free_bytes, vol.total_bytes);
    }
  }
}

}  // namespace
}  // namespace qm
