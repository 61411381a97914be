#include "wizard_fixture.h"

namespace qm::test {
namespace {

TEST(DiskLines, MegabytesRoundHalvesToEven) {
  constexpr int64_t kMb = 1048576;
  EXPECT_EQ(RoundMegabytes(-1), 0);
  EXPECT_EQ(RoundMegabytes(0), 0);
  EXPECT_EQ(RoundMegabytes(kMb / 2), 0);
  EXPECT_EQ(RoundMegabytes(kMb / 2 + 1), 1);
  EXPECT_EQ(RoundMegabytes(kMb + kMb / 2), 2);
  EXPECT_EQ(RoundMegabytes(2 * kMb + kMb / 2), 2);
  EXPECT_EQ(RoundMegabytes(2 * kMb + kMb / 2 + 1), 3);
}

TEST(DiskLines, KeepTheirColumns) {
  constexpr int64_t kMb = 1048576;
  EXPECT_EQ(DiskLineText({"/", "", "ext4", VolumeKind::kLocal, 12345 * kMb, 40000 * kMb}),
            "/ Local disk  12345 Mb free,   40000 Mb total");
  EXPECT_EQ(DiskLineText({"/media/ann/STICK", "", "vfat", VolumeKind::kRemovable, -1, -1}),
            "/media/ann/STICK Removeable      0 Mb free,       0 Mb total");
  EXPECT_EQ(DiskLineText({"/net", "", "nfs", VolumeKind::kNetwork, 1000000 * kMb, 12345678 * kMb}),
            "/net    Network1000000 Mb free, 12345678 Mb total");
}

TEST(DiskLines, NamesFromPathsAndVolumes) {
  EXPECT_EQ(VolumeLabel("/"), "root");
  EXPECT_EQ(VolumeLabel("/media/ann/STICK"), "STICK");
  EXPECT_EQ(ProposedProfileName("/home/ann/My Documents", "root"), "My Documents (root)");
  EXPECT_EQ(ProposedProfileName("/media/ann/STICK/Photos", "STICK"), "Photos (STICK)");
  EXPECT_EQ(ProposedProfileName("/", "root"), " (root)");
  EXPECT_EQ(FolderNameFromProfileName("My Documents (C)"), "MyDocumentsC");
  EXPECT_EQ(FolderNameFromProfileName("my_docs-2004 [work]"), "My_Docs-2004[Work]");
  EXPECT_EQ(FolderNameFromProfileName("PHOTOS  (stick)"), "PhotosStick");
  EXPECT_EQ(FolderNameFromProfileName(""), "");
  const std::vector<Volume> volumes = {{"/", "", "", VolumeKind::kLocal, 0, 0},
                                       {"/media/ann/STICK", "", "", VolumeKind::kRemovable, 0, 0}};
  EXPECT_EQ(ContainingMountPoint(volumes, "/media/ann/STICK/a"), "/media/ann/STICK");
  EXPECT_EQ(ContainingMountPoint(volumes, "/media/ann/STICKER"), "/");
  EXPECT_EQ(ContainingMountPoint(volumes, "relative"), "");
}

class DiskPageTest : public WizardTest {
 protected:
  void EnterDestinationPage() {
    Open();
    WalkTo(3);
  }
};

TEST_F(DiskPageTest, ListsTheVolumesRecommendsTheLocalOneWithMostSpaceAndProposes) {
  // The mount table of a machine, as the platform reads it: a CD and a read-only card are left
  // out, the stick without its medium is listed empty.
  MountTables tables;
  tables.mountinfo =
      "26 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
      "27 26 8:2 / /data rw - xfs /dev/sda2 rw\n"
      "28 26 0:50 / /net rw - nfs4 nas:/export rw\n"
      "29 26 11:0 / /media/ann/CDROM ro - iso9660 /dev/sr0 ro\n"
      "30 26 8:33 / /media/ann/CARD ro - vfat /dev/sdc1 ro\n";
  tables.fstab = "/dev/sdb1 /media/ann/STICK auto noauto,user 0 0\n";
  disks.volumes = ListVolumes(tables, [](const std::string& mount, int64_t& free, int64_t& total) {
    free = (mount == "/" ? 5 : mount == "/data" ? 20 : 30) * kGb;
    total = 100 * kGb;
    return true;
  });
  EnterDestinationPage();
  EXPECT_EQ(form->disk_list.Items(),
            (std::vector<std::string>{
                "/ Local disk   5120 Mb free,  102400 Mb total",
                "/data Local disk  20480 Mb free,  102400 Mb total",
                "/media/ann/STICK Removeable      0 Mb free,       0 Mb total",
                "/net    Network  30720 Mb free,  102400 Mb total",
            }));
  EXPECT_EQ(form->recommended_disk_label.Caption(), "/data");
  EXPECT_EQ(form->selected_disk_label.Caption(), "/data");
  EXPECT_EQ(form->disk_list.ItemIndex(), 1);
  EXPECT_EQ(form->destination_folder_edit.Text(), "/data/Archive/MyDocumentsRoot");
  EXPECT_EQ(form->DestBrowseStart(), "/data/Archive/");
  EXPECT_FALSE(form->same_disk_label.Visible());

  // Another line with a path in the field changes only the selection.
  form->disk_list.SelectByUser(3);
  EXPECT_EQ(form->selected_disk_label.Caption(), "/net");
  EXPECT_EQ(form->destination_folder_edit.Text(), "/data/Archive/MyDocumentsRoot");
  form->destination_folder_edit.SetTextByUser("");
  form->disk_list.SelectByUser(3);
  EXPECT_EQ(form->destination_folder_edit.Text(), "/net/Archive/MyDocumentsRoot");
}

TEST_F(DiskPageTest, OnTheHomeVolumeTheProposalLiesInTheHomeDirectoryAndWarnsOfTheSameDisk) {
  disks.volumes[1].free_bytes = kGb;  // "/" has the most space now
  EnterDestinationPage();
  EXPECT_EQ(form->recommended_disk_label.Caption(), "/");
  EXPECT_EQ(form->destination_folder_edit.Text(), "/home/ann/Archive/MyDocumentsRoot");
  // The source lies on "/" too.
  EXPECT_TRUE(form->same_disk_label.Visible());
  form->disk_list.SelectByUser(1);
  EXPECT_FALSE(form->same_disk_label.Visible());
}

TEST_F(DiskPageTest, AVolumeWhereNothingCanBeCreatedIsListedButNotRecommended) {
  disks.not_creatable = {"/data/Archive"};
  disks.home = "/data/users/ann";
  disks.not_creatable.insert("/data/users/ann/Archive");
  EnterDestinationPage();
  EXPECT_EQ(form->disk_list.Items().size(), 4u);
  EXPECT_EQ(form->recommended_disk_label.Caption(), "/");
  EXPECT_EQ(form->destination_folder_edit.Text(), "/Archive/MyDocumentsRoot");
  form->destination_folder_edit.SetTextByUser("");
  form->disk_list.SelectByUser(1);
  EXPECT_EQ(form->destination_folder_edit.Text(), "/data/users/ann/Archive/MyDocumentsRoot");
}

TEST_F(DiskPageTest, EqualFreeSpaceRecommendsTheFirstAndNoLocalDiskSelectsTheFirstLine) {
  disks.volumes[1].free_bytes = disks.volumes[0].free_bytes;
  EnterDestinationPage();
  EXPECT_EQ(form->recommended_disk_label.Caption(), "/");
  EXPECT_EQ(form->disk_list.ItemIndex(), 0);

  disks.volumes = {{"/media/ann/STICK", "", "vfat", VolumeKind::kRemovable, kGb, 2 * kGb},
                   {"/net", "", "nfs", VolumeKind::kNetwork, kGb, 2 * kGb}};
  form->destination_folder_edit.SetTextByUser("");
  form->back_button.Click();
  form->next_button.Click();
  EXPECT_EQ(form->recommended_disk_label.Caption(), "/");
  EXPECT_EQ(form->selected_disk_label.Caption(), "/media/ann/STICK");
  EXPECT_EQ(form->disk_list.ItemIndex(), 0);
  EXPECT_EQ(form->destination_folder_edit.Text(), "/media/ann/STICK/Archive/MyDocumentsRoot");

  disks.volumes.clear();
  form->destination_folder_edit.SetTextByUser("");
  form->back_button.Click();
  form->next_button.Click();
  EXPECT_TRUE(form->disk_list.Items().empty());
  EXPECT_EQ(form->selected_disk_label.Caption(), "/");
  EXPECT_EQ(form->destination_folder_edit.Text(), "");
}

}  // namespace
}  // namespace qm::test
