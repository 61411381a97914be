#include <filesystem>

#include "profiles/qmTypes.h"
#include "wizard_fixture.h"

namespace qm::test {
namespace {

using F = ProfileField;

TDateTime Hms(int h, int m, int s) {
  return (h * 3600 + m * 60 + s) / 86400.0;
}

class ProfileValuesTest : public WizardTest {
 protected:
  void SetUp() override {
    Open();
    WalkTo(2);
  }
};

TEST_F(ProfileValuesTest, FinishOnTheFirstReadyPageWritesTheWizardsValues) {
  WalkTo(6);
  form->ChooseRadio(form->rSMSync);
  form->eH.SetValueByUser(3);
  form->bBack.Click();
  form->bFinish.Click();
  EXPECT_TRUE(form->Closed());
  EXPECT_TRUE(form->Finished());
  EXPECT_TRUE(dialogs.shown().empty());
  ASSERT_EQ(table.RecordCount(), 1u);
  EXPECT_EQ(table.State(), TableState::kBrowse);
  const ProfileRow& row = table.Current();
  EXPECT_TRUE(row.Enabled);
  EXPECT_EQ(row.Name, "My Documents (root)");
  EXPECT_EQ(row.SrcDir, Source());
  EXPECT_EQ(row.DestDir, dir / "backup");
  EXPECT_EQ(row.FileMask, "*.*");
  EXPECT_TRUE(row.InclDirs);
  EXPECT_EQ(row.CopyCriteria, 0);
  EXPECT_FALSE(row.doZIP);
  EXPECT_EQ(row.SyncMethod, kSyncOneWay);
  EXPECT_DOUBLE_EQ(row.Interval, Hms(0, 10, 0));
  EXPECT_EQ(row.LastRun, 0);
  EXPECT_EQ(row.NextRun, 0);
  EXPECT_EQ(row.KeepCopyKind, kKeepNone);
  EXPECT_EQ(row.PSDone, 0);
  EXPECT_EQ(row.zipMode, 9);
  EXPECT_FALSE(row.RemoveDeleted);
  EXPECT_FALSE(row.UseStartTimeEndTime);
  EXPECT_DOUBLE_EQ(row.StartTime, Hms(8, 0, 0));
  EXPECT_DOUBLE_EQ(row.FinishTime, Hms(18, 0, 0));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "backup"));
}

TEST_F(ProfileValuesTest, FinishOnTheSecondReadyPageWritesTheAdditionalParameters) {
  form->ChooseRadio(form->rSubDirs2);  // still reachable: the choices live on
  form->rgUseFilter.SelectByUser(1);
  form->eFilter.SetTextByUser("");
  WalkTo(4);
  form->ChooseRadio(form->rZIPYes);
  WalkTo(6);
  form->ChooseRadio(form->rSMSync);
  form->eH.SetValueByUser(1);
  form->eM.SetValueByUser(30);
  form->eS.SetValueByUser(0);
  WalkTo(7);
  form->BitBtn1.Click();
  ASSERT_EQ(table.RecordCount(), 1u);
  const ProfileRow& row = table.Current();
  EXPECT_EQ(row.FileMask, "");  // the empty filter as typed
  EXPECT_FALSE(row.InclDirs);
  EXPECT_TRUE(row.doZIP);  // no editing rules on a bare table
  EXPECT_EQ(row.SyncMethod, kSyncBothWays);
  EXPECT_DOUBLE_EQ(row.Interval, Hms(1, 30, 0));
}

TEST_F(ProfileValuesTest, TwentyFourHoursIsAnIntervalOfOneWholeDayAndIsSaved) {
  WalkTo(6);
  form->eH.SetValueByUser(24);  // the minutes still show their 10
  WalkTo(7);
  form->BitBtn1.Click();
  ASSERT_EQ(table.RecordCount(), 1u);
  EXPECT_EQ(table.State(), TableState::kBrowse);
  EXPECT_DOUBLE_EQ(table.Current().Interval, 1.0);
  form.reset();
  Open();
  EXPECT_EQ(form->eH.Value(), 0);  // the interval is not remembered
}

TEST_F(ProfileValuesTest, TwoProfilesInOneRunKeepTheChoicesButNotTheFields) {
  form->rgUseFilter.SelectByUser(1);
  form->eFilter.SetTextByUser("*.txt");
  WalkTo(5);
  form->eName.SetText("A name much longer than thirty characters");
  form->bSaveAndAgane.Click();
  ASSERT_EQ(table.RecordCount(), 1u);
  EXPECT_EQ(table.Row(0).Name, "A name much longer than thirty");
  EXPECT_FALSE(form->Closed());
  EXPECT_EQ(form->PageIndex(), 0);
  EXPECT_EQ(VisibleTabs(), std::vector<std::string>{"Welcome!"});
  EXPECT_EQ(form->eSrcDir.Text(), "");
  EXPECT_EQ(form->eDestDir.Text(), "");
  EXPECT_EQ(form->eName.Text(), "");
  EXPECT_EQ(form->rgUseFilter.ItemIndex(), 1);
  EXPECT_EQ(form->eFilter.Text(), "*.txt");

  const std::string second = dir.MakeDir("Second");
  form->bNext.Click();
  TypeSource(second);
  WalkTo(3);
  EXPECT_EQ(form->eDestDir.Text(), "/data/Archive/SecondRoot");  // a fresh proposal
  form->eDestDir.SetText(dir / "backup2");
  WalkTo(7);
  form->bSave2.Click();
  ASSERT_EQ(table.RecordCount(), 2u);
  EXPECT_EQ(table.Row(1).Name, "Second (root)");
  EXPECT_EQ(table.Row(1).FileMask, "*.txt");
  EXPECT_EQ(table.State(), TableState::kBrowse);
  EXPECT_EQ(form->PageIndex(), 0);
  form->bCancel.Click();
  EXPECT_TRUE(form->Closed());
  EXPECT_EQ(table.RecordCount(), 2u);
}

TEST_F(ProfileValuesTest, ARefusedSaveIsWrittenOverByTheNextSaveInsteadOfPilingUp) {
  const auto refuse = table.BeforePost.Connect([](bool& allow) { allow = false; });
  WalkTo(5);
  form->bSaveAndAgane.Click();
  ASSERT_EQ(table.RecordCount(), 1u);
  EXPECT_EQ(table.State(), TableState::kInsert);
  form->bNext.Click();
  TypeSource(dir.MakeDir("Second"));
  WalkTo(5);
  form->bFinish.Click();
  EXPECT_EQ(table.RecordCount(), 1u);
  EXPECT_EQ(table.Current().Name, "Second (root)");
  table.BeforePost.Disconnect(refuse);
}

class DestinationTest : public WizardTest {
 protected:
  void SetUp() override {
    Open();
    WalkTo(3);
  }
};

TEST_F(DestinationTest, NextCreatesTheDestinationWithItsParents) {
  form->eDestDir.SetTextByUser(dir / "a/b/c");
  form->bNext.Click();
  EXPECT_EQ(form->PageIndex(), 4);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/c"));
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(DestinationTest, ADestinationThatCannotBeCreatedKeepsThePage) {
  dir.WriteFile("file", "x");
  form->eDestDir.SetTextByUser(dir / "file/sub");
  form->bNext.Click();
  EXPECT_EQ(form->PageIndex(), 3);
  EXPECT_EQ(dialogs.Texts(DialogKind::kError),
            std::vector<std::string>{"Can not create directory \"" + dir / "file/sub" +
                                     "\"\rPropably the name is invalid or disk is read olny."});
}

TEST_F(DestinationTest, NothingIsCreatedOnADriveWithoutItsMedium) {
  const std::string stick = dir.MakeDir("media/STICK");
  disks.volumes.push_back({stick, "/dev/sdb1", "vfat", VolumeKind::kRemovable, -1, -1, false});
  form->eDestDir.SetTextByUser(stick + "/Archive/Docs");
  form->bNext.Click();
  EXPECT_EQ(form->PageIndex(), 3);
  EXPECT_FALSE(std::filesystem::exists(stick + "/Archive"));
  EXPECT_EQ(dialogs.Texts(DialogKind::kError).size(), 1u);
}

TEST_F(DestinationTest, AnEmptyOrRelativeDestinationIsRefused) {
  for (const char* text : {"", "backup", "ab"}) {
    form->eDestDir.SetTextByUser(text);
    form->bNext.Click();
    EXPECT_EQ(form->PageIndex(), 3) << text;
  }
  EXPECT_EQ(dialogs.Texts(DialogKind::kApplicationError),
            std::vector<std::string>(3, "Unable to create directory."));
  EXPECT_FALSE(std::filesystem::exists("backup"));
}

TEST_F(DestinationTest, TheBrowseButtonCreatesAndTakesTheChosenDirectory) {
  form->eDestDir.SetText("");
  dialogs.ExpectCreateDirectory(dir / "new/place");
  form->eDestDirButton.Click();
  EXPECT_EQ(dialogs.browse_starts().back(), "/");  // /home/ann/Archive/ does not exist here
  EXPECT_EQ(form->eDestDir.Text(), dir / "new/place");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "new/place"));
  EXPECT_EQ(form->DestBrowseStart(), dir / "new/place");
  dialogs.ExpectCreateDirectory(std::nullopt);
  form->eDestDirButton.Click();
  EXPECT_EQ(dialogs.browse_starts().back(), dir / "new/place");
  EXPECT_EQ(form->eDestDir.Text(), dir / "new/place");
}

}  // namespace
}  // namespace qm::test
