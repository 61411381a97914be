#include <filesystem>

#include "profiles/file_list.h"
#include "profiles/log_kind.h"
#include "profiles/named_list.h"
#include "profiles/profile_record.h"
#include "profiles/run_snapshot.h"
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
  form->ChooseRadio(form->synchronize_radio);
  form->interval_hours_edit.SetValueByUser(3);
  form->back_button.Click();
  form->finish_button.Click();
  EXPECT_TRUE(form->Closed());
  EXPECT_TRUE(form->Finished());
  EXPECT_TRUE(dialogs.shown().empty());
  ASSERT_EQ(table.RecordCount(), 1u);
  EXPECT_EQ(table.state(), TableState::kBrowse);
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
  form->ChooseRadio(form->exclude_subfolders_radio);  // still reachable: the choices live on
  form->use_filter_group.SelectByUser(1);
  form->filter_edit.SetTextByUser("");
  WalkTo(4);
  form->ChooseRadio(form->zip_yes_radio);
  WalkTo(6);
  form->ChooseRadio(form->synchronize_radio);
  form->interval_hours_edit.SetValueByUser(1);
  form->interval_minutes_edit.SetValueByUser(30);
  form->interval_seconds_edit.SetValueByUser(0);
  WalkTo(7);
  form->final_finish_button.Click();
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
  form->interval_hours_edit.SetValueByUser(24);  // the minutes still show their 10
  WalkTo(7);
  form->final_finish_button.Click();
  ASSERT_EQ(table.RecordCount(), 1u);
  EXPECT_EQ(table.state(), TableState::kBrowse);
  EXPECT_DOUBLE_EQ(table.Current().Interval, 1.0);
  form.reset();
  Open();
  EXPECT_EQ(form->interval_hours_edit.Value(), 0);  // the interval is not remembered
}

TEST_F(ProfileValuesTest, TwoProfilesInOneRunKeepTheChoicesButNotTheFields) {
  form->use_filter_group.SelectByUser(1);
  form->filter_edit.SetTextByUser("*.txt");
  WalkTo(5);
  form->profile_name_edit.SetText("A name much longer than thirty characters");
  form->save_and_add_another_button.Click();
  ASSERT_EQ(table.RecordCount(), 1u);
  EXPECT_EQ(table.Row(0).Name, "A name much longer than thirty");
  EXPECT_FALSE(form->Closed());
  EXPECT_EQ(form->PageIndex(), 0);
  EXPECT_EQ(VisibleTabs(), std::vector<std::string>{"Welcome!"});
  EXPECT_EQ(form->source_folder_edit.Text(), "");
  EXPECT_EQ(form->destination_folder_edit.Text(), "");
  EXPECT_EQ(form->profile_name_edit.Text(), "");
  EXPECT_EQ(form->use_filter_group.ItemIndex(), 1);
  EXPECT_EQ(form->filter_edit.Text(), "*.txt");

  const std::string second = dir.MakeDir("Second");
  form->next_button.Click();
  TypeSource(second);
  WalkTo(3);
  EXPECT_EQ(form->destination_folder_edit.Text(), "/data/Archive/SecondRoot");  // a fresh proposal
  form->destination_folder_edit.SetText(dir / "backup2");
  WalkTo(7);
  form->final_save_and_add_another_button.Click();
  ASSERT_EQ(table.RecordCount(), 2u);
  EXPECT_EQ(table.Row(1).Name, "Second (root)");
  EXPECT_EQ(table.Row(1).FileMask, "*.txt");
  EXPECT_EQ(table.state(), TableState::kBrowse);
  EXPECT_EQ(form->PageIndex(), 0);
  form->cancel_button.Click();
  EXPECT_TRUE(form->Closed());
  EXPECT_EQ(table.RecordCount(), 2u);
}

TEST_F(ProfileValuesTest, ARefusedSaveIsWrittenOverByTheNextSaveInsteadOfPilingUp) {
  const auto refuse = table.BeforePost.Connect([](bool& allow) { allow = false; });
  WalkTo(5);
  form->save_and_add_another_button.Click();
  ASSERT_EQ(table.RecordCount(), 1u);
  EXPECT_EQ(table.state(), TableState::kInsert);
  form->next_button.Click();
  TypeSource(dir.MakeDir("Second"));
  WalkTo(5);
  form->finish_button.Click();
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
  form->destination_folder_edit.SetTextByUser(dir / "a/b/c");
  form->next_button.Click();
  EXPECT_EQ(form->PageIndex(), 4);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/c"));
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(DestinationTest, ADestinationThatCannotBeCreatedKeepsThePage) {
  dir.WriteFile("file", "x");
  form->destination_folder_edit.SetTextByUser(dir / "file/sub");
  form->next_button.Click();
  EXPECT_EQ(form->PageIndex(), 3);
  EXPECT_EQ(dialogs.Texts(DialogKind::kError),
            std::vector<std::string>{"Can not create directory \"" + dir / "file/sub" +
                                     "\"\rPropably the name is invalid or disk is read olny."});
}

TEST_F(DestinationTest, NothingIsCreatedOnADriveWithoutItsMedium) {
  const std::string stick = dir.MakeDir("media/STICK");
  disks.volumes.push_back({stick, "/dev/sdb1", "vfat", VolumeKind::kRemovable, -1, -1, false});
  form->destination_folder_edit.SetTextByUser(stick + "/Archive/Docs");
  form->next_button.Click();
  EXPECT_EQ(form->PageIndex(), 3);
  EXPECT_FALSE(std::filesystem::exists(stick + "/Archive"));
  EXPECT_EQ(dialogs.Texts(DialogKind::kError).size(), 1u);
}

TEST_F(DestinationTest, AnEmptyOrRelativeDestinationIsRefused) {
  for (const char* text : {"", "backup", "ab"}) {
    form->destination_folder_edit.SetTextByUser(text);
    form->next_button.Click();
    EXPECT_EQ(form->PageIndex(), 3) << text;
  }
  EXPECT_EQ(dialogs.Texts(DialogKind::kApplicationError),
            std::vector<std::string>(3, "Unable to create directory."));
  EXPECT_FALSE(std::filesystem::exists("backup"));
}

TEST_F(DestinationTest, TheBrowseButtonCreatesAndTakesTheChosenDirectory) {
  form->destination_folder_edit.SetText("");
  dialogs.ExpectCreateDirectory(dir / "new/place");
  form->destination_browse_button.Click();
  EXPECT_EQ(dialogs.browse_starts().back(), "/");  // /home/ann/Archive/ does not exist here
  EXPECT_EQ(form->destination_folder_edit.Text(), dir / "new/place");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "new/place"));
  EXPECT_EQ(form->DestBrowseStart(), dir / "new/place");
  dialogs.ExpectCreateDirectory(std::nullopt);
  form->destination_browse_button.Click();
  EXPECT_EQ(dialogs.browse_starts().back(), dir / "new/place");
  EXPECT_EQ(form->destination_folder_edit.Text(), dir / "new/place");
}

}  // namespace
}  // namespace qm::test
