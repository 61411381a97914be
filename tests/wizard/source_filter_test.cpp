#include "wizard_fixture.h"

namespace qm::test {
namespace {

class SourcePageTest : public WizardTest {
 protected:
  void SetUp() override {
    dir.MakeDir("My Documents");
    Open();
    form->next_button.Click();
  }
};

TEST_F(SourcePageTest, ATypedSourceProposesTheNameHalfASecondAfterTheFirstKey) {
  form->source_folder_edit.SetTextByUser(dir / "My");
  loop.RunFor(300);
  // The timer is not restarted by later keys: the name follows the typing.
  form->source_folder_edit.SetTextByUser(Source());
  loop.RunFor(199);
  EXPECT_EQ(form->profile_name_edit.Text(), "");
  EXPECT_FALSE(form->next_button.Enabled());
  loop.RunFor(1);
  EXPECT_EQ(form->profile_name_edit.Text(), "My Documents (root)");
  EXPECT_TRUE(form->next_button.Enabled());
  EXPECT_FALSE(form->folder_missing_label.Visible());
  EXPECT_EQ(form->LastSourceDirectory(), Source());
}

TEST_F(SourcePageTest, AMissingSourceSaysSoAndKeepsNextDisabled) {
  TypeSource("/media/ann/STICK/Photos");
  EXPECT_FALSE(form->next_button.Enabled());
  EXPECT_TRUE(form->folder_missing_label.Visible());
  EXPECT_EQ(form->folder_missing_label.Caption(),
            "Directory \"/media/ann/STICK/Photos/\" does not exsists!");
  EXPECT_EQ(form->folder_missing_label.Color(), kMaroon);
  EXPECT_EQ(form->profile_name_edit.Text(), "Photos (STICK)");
  // A key in the field hides the message until the path is looked at again.
  form->source_folder_edit.SetTextByUser("/media/ann/STICK/Photo");
  EXPECT_FALSE(form->folder_missing_label.Visible());
  TypeSource("");
  EXPECT_FALSE(form->next_button.Enabled());
  EXPECT_FALSE(form->folder_missing_label.Visible());
  EXPECT_EQ(form->profile_name_edit.Text(), "");
}

TEST_F(SourcePageTest, ATypedNameIsReplacedByTypingTheSourceButKeptOnLeaving) {
  TypeSource(Source());
  form->profile_name_edit.SetTextByUser("Mine");
  form->SourceEntered();
  EXPECT_EQ(form->profile_name_edit.Text(), "Mine");
  TypeSource(Source() + "/");
  EXPECT_EQ(form->profile_name_edit.Text(), "My Documents (root)");
}

TEST_F(SourcePageTest, BrowsingChoosesTheSourceAndItsName) {
  dialogs.ExpectBrowse(kSourceBrowseTitle, std::nullopt);
  form->source_browse_button.Click();
  EXPECT_EQ(form->source_folder_edit.Text(), "");
  EXPECT_EQ(dialogs.browse_starts().back(), "");

  TypeSource(Source());
  form->profile_name_edit.SetTextByUser("Mine");
  const std::string other = dir.MakeDir("Other");
  dialogs.ExpectBrowse(kSourceBrowseTitle, other);
  form->source_browse_button.Click();
  EXPECT_EQ(dialogs.browse_starts().back(), Source());
  EXPECT_EQ(form->source_folder_edit.Text(), other);
  EXPECT_EQ(form->profile_name_edit.Text(), "Other (root)");
  EXPECT_TRUE(form->next_button.Enabled());
  EXPECT_EQ(form->LastSourceDirectory(), other);
}

TEST_F(WizardTest, TheFilterTypedBeforeChoosingAllFilesComesBackLaterInTheRun) {
  Open();
  WalkTo(2);
  form->use_filter_group.SelectByUser(1);
  EXPECT_TRUE(form->filter_edit.Enabled());
  EXPECT_TRUE(form->filter_label.Enabled());
  EXPECT_EQ(form->filter_edit.Text(), "*.*");
  form->filter_edit.SetTextByUser("*.doc");
  form->use_filter_group.SelectByUser(0);
  EXPECT_EQ(form->filter_edit.Text(), "*.*");
  EXPECT_FALSE(form->filter_edit.Enabled());
  form->use_filter_group.SelectByUser(1);
  EXPECT_EQ(form->filter_edit.Text(), "*.doc");
  form->use_filter_group.SelectByUser(0);

  // A later use of the wizard in the same run of the program.
  dialogs.ExpectConfirm(kWizardCloseQuestion, true);
  ASSERT_TRUE(form->Close());
  Open();
  EXPECT_EQ(form->use_filter_group.ItemIndex(), 0);
  EXPECT_EQ(form->filter_edit.Text(), "*.*");
  form->use_filter_group.SelectByUser(1);
  EXPECT_EQ(form->filter_edit.Text(), "*.doc");
}

TEST_F(WizardTest, ChoicesComeBackAtTheNextUseButTheCopyMethodAndIntervalDoNot) {
  Open();
  WalkTo(2);
  form->ChooseRadio(form->exclude_subfolders_radio);
  form->use_filter_group.SelectByUser(1);
  form->filter_edit.SetTextByUser("*.txt;*.doc");
  form->ChooseRadio(form->zip_yes_radio);
  WalkTo(7);
  form->ChooseRadio(form->synchronize_radio);
  form->interval_hours_edit.SetValueByUser(2);
  form->final_finish_button.Click();
  ASSERT_TRUE(form->Closed());
  EXPECT_EQ(choices.values["rSubDirs1_Checked"], "False");
  EXPECT_EQ(choices.values["rSubDirs2_Checked"], "True");
  EXPECT_EQ(choices.values["eFilter_Text"], "*.txt;*.doc");
  EXPECT_EQ(choices.values["rgUseFilter_ItemIndex"], "1");
  EXPECT_EQ(choices.values["rZIPNo_Checked"], "False");
  EXPECT_EQ(choices.values["rZIPYes_Checked"], "True");

  // A restart of the program: a fresh remembered filter, the same stored values.
  remembered_filter = "*.*";
  MemoryChoices stored = choices;
  AddProfileWizard again(table, loop, dialogs, PosixFileSystem(), disks, stored, remembered_filter);
  again.Show();
  EXPECT_FALSE(again.include_subfolders_radio.Checked());
  EXPECT_TRUE(again.exclude_subfolders_radio.Checked());
  EXPECT_EQ(again.use_filter_group.ItemIndex(), 1);
  EXPECT_EQ(again.filter_edit.Text(), "*.txt;*.doc");
  EXPECT_TRUE(again.zip_yes_radio.Checked());
  EXPECT_FALSE(again.zip_no_radio.Checked());
  EXPECT_TRUE(again.backup_only_radio.Checked());
  EXPECT_FALSE(again.synchronize_radio.Checked());
  EXPECT_EQ(again.interval_hours_edit.Value(), 0);
  EXPECT_EQ(again.interval_minutes_edit.Value(), 10);
  EXPECT_EQ(again.interval_seconds_edit.Value(), 0);
}

TEST_F(WizardTest, DamagedStoredChoicesLeaveSensibleOnes) {
  choices.values = {{"rSubDirs1_Checked", "False"},
                    {"rSubDirs2_Checked", "no"},
                    {"rgUseFilter_ItemIndex", "7"},
                    {"rZIPNo_Checked", "FALSE"},
                    {"rZIPYes_Checked", "false"}};
  Open();
  EXPECT_TRUE(form->include_subfolders_radio.Checked());
  EXPECT_FALSE(form->exclude_subfolders_radio.Checked());
  EXPECT_EQ(form->use_filter_group.ItemIndex(), 0);
  EXPECT_TRUE(form->zip_no_radio.Checked());
  EXPECT_FALSE(form->zip_yes_radio.Checked());
}

}  // namespace
}  // namespace qm::test
