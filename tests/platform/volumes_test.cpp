#include <gtest/gtest.h>

#include "platform/volumes.h"

namespace qm {
namespace {

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
  ASSERT_EQ(v.size(), 4u);
  EXPECT_EQ(v[0].mount_point, "/");
  EXPECT_EQ(v[1].mount_point, "/data");
  EXPECT_EQ(v[2].mount_point, "/media/ann/USB STICK");
  EXPECT_EQ(v[2].kind, VolumeKind::kRemovable);
  EXPECT_EQ(v[3].mount_point, "/net");
  EXPECT_EQ(v[3].kind, VolumeKind::kNetwork);
  EXPECT_EQ(v[3].source, "nas:/export");
  EXPECT_EQ(v[0].free_bytes, -1);
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
