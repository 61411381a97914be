// Which paths lie on a volume that is not mounted, on a fake mount table, fstab and folders.
#include "platform/mount_places.h"

#include <gtest/gtest.h>

#include <map>

namespace qm {
namespace {

class MountPlacesTest : public ::testing::Test {
 protected:
  std::string NotReady(const std::string& path) {
    return NotMountedPlace(path, tables, "ann", [this](const std::string& p) {
      auto it = folders.find(p);
      return it == folders.end() ? PlaceState{} : it->second;
    });
  }
  void Mount(const std::string& point) {
    tables.mountinfo += "30 1 8:17 / " + point + " rw,relatime - ext4 /dev/sdb1 rw\n";
  }

  MountTables tables{"22 1 8:1 / / rw - ext4 /dev/sda1 rw\n", ""};
  std::map<std::string, PlaceState> folders{{"/", {true, false}}};
};

TEST_F(MountPlacesTest, MissingOrEmptyRemovablePlaceIsNotReady) {
  EXPECT_EQ(NotReady("/mnt/usb/backup"), "/mnt/usb");  // missing
  folders["/mnt/usb"] = {true, true};
  EXPECT_EQ(NotReady("/mnt/usb/backup"), "/mnt/usb");  // an empty mount point
  EXPECT_EQ(NotReady("/media/ann/STICK"), "/media/ann/STICK");
  EXPECT_EQ(NotReady("/run/media/ann/STICK/x"), "/run/media/ann/STICK");
  Mount("/mnt/usb");
  EXPECT_EQ(NotReady("/mnt/usb/backup"), "");
}

TEST_F(MountPlacesTest, PlainFolderIsReadyUnlessFstabNamesIt) {
  folders["/mnt/backup"] = {true, false};
  EXPECT_EQ(NotReady("/mnt/backup/daily"), "");
  // The same folder as an fstab mount point that is not mounted: its files are the disk's
  // beneath, not the volume's.
  tables.fstab = "# comment\nLABEL=BACKUP /mnt/backup ext4 noauto 0 2\n";
  EXPECT_EQ(NotReady("/mnt/backup/daily"), "/mnt/backup");
  Mount("/mnt/backup");
  EXPECT_EQ(NotReady("/mnt/backup/daily"), "");
}

TEST_F(MountPlacesTest, OnlyFoldersDirectlyUnderTheMediaPlacesCount) {
  EXPECT_EQ(NotReady("/mnt"), "");
  EXPECT_EQ(NotReady("/media/bob/STICK"), "") << "another user's place";
  EXPECT_EQ(NotReady("/home/ann/backup"), "");
  EXPECT_EQ(NotReady("relative/path"), "");
}

TEST_F(MountPlacesTest, FstabMountPointAnywhereAndTheFirstFromTheTopWins) {
  tables.fstab = "server:/share /srv/nas nfs defaults 0 0\n/dev/sdc1 /srv/nas/disk ext4 0 0\n";
  folders["/srv/nas"] = {true, false};
  EXPECT_EQ(NotReady("/srv/nas/disk/x"), "/srv/nas");
  Mount("/srv/nas");
  EXPECT_EQ(NotReady("/srv/nas/disk/x"), "/srv/nas/disk");
  EXPECT_EQ(NotReady("/srv/nas/disk/"), "/srv/nas/disk");
}

}  // namespace
}  // namespace qm
